#pragma once

#include <optional>
#include <string>
#include <unordered_map>

namespace kdx {

/// Answers of the machine to questions the run asks again, as the machine gave them (every
/// printer of a driver reads the driver's files anew; each scan asks whether its folder is
/// one). The report may take the first answer: nothing the run itself does changes them, and
/// a change another program makes while the run goes on may as well have come just before or
/// just after it.
struct PlatformAnswers {
  /// Whether a path names a folder, by the path as asked.
  std::unordered_map<std::string, bool> folders;
  /// A printer driver's "Dependent Files" value by driver name; nothing when its key or value
  /// cannot be read.
  std::unordered_map<std::string, std::optional<std::string>> dependentFiles;

  void Clear() {
    folders.clear();
    dependentFiles.clear();
  }
};

}  // namespace kdx
