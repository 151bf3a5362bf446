#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/sim/sim_platform.h"
#include "support/platform_name.h"
#include "support/test_machine.h"

namespace kdx::test {

/// Differences between the platforms' files that a contract test names and skips.
enum class FilesDifference {
  FolderOrderUnsorted,   ///< Wine lists a folder in the order of the Unix folder beneath it
  NormalShownAsArchive,  ///< Wine tells a file without attributes as archive, not as normal
};

/// The simulated machine for the files contract: files below C:\KDXTEST, with the attributes,
/// times and locks the test states, loaded when the test first asks for the platform.
class SimFilesFixture {
 public:
  static constexpr const char* kName = "simulated";

  void Put(const std::string& relative, const std::string& bytes);
  void Folder(const std::string& relative);
  void SetAttributes(const std::string& relative, const std::string& letters);
  void SetLastWrite(const std::string& relative, const std::string& localTime);
  /// Makes every open of the file fail as a file another program holds without sharing.
  void Lock(const std::string& relative);
  Platform& Machine();
  /// The root of a drive without any entry, made for the test.
  std::optional<std::string> EmptyDriveRoot();

  static std::optional<std::string> Differs(FilesDifference) { return std::nullopt; }

 private:
  std::map<std::string, std::map<std::string, std::string>> facts_;
  TestMachine machine_;
  std::unique_ptr<SimPlatform> platform_;
};

}  // namespace kdx::test
