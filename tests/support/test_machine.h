#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/sim_platform.h"
#include "run/front_end.h"
#include "run/run_context.h"

namespace kdx::test {

/// machine.json of a German XP SP2 PC with a fixed clock and nothing else.
extern const char kMinimalXpJson[];

/// kMinimalXpJson with more top-level members: R"("memory": {...})".
std::string XpJsonWith(const std::string& members);
/// machine.json of a Windows 98 SE PC with a fixed clock and the given top-level members.
std::string Win98JsonWith(const std::string& members);

/// A machine directory in a temporary folder, removed again on destruction.
class TestMachine {
 public:
  explicit TestMachine(const std::string& machineJson = kMinimalXpJson);
  ~TestMachine();
  TestMachine(const TestMachine&) = delete;
  TestMachine& operator=(const TestMachine&) = delete;

  /// Replaces machine.json.
  void SetJson(const std::string& machineJson);
  /// Adds registry/<name> with the given bytes (a REGEDIT4 text, say).
  void AddReg(const std::string& name, const std::string& bytes);
  /// Adds a file of the simulated drives: "C:\\WINDOWS\\x.log" lands in drive_c/WINDOWS.
  void AddFile(const std::string& windowsPath, const std::string& bytes);
  /// Adds eventlog/<fileName>: "System.txt" in the text form, say.
  void AddEventLog(const std::string& fileName, const std::string& bytes);
  /// Where the report files of a test go.
  std::filesystem::path OutputDir() const { return dir_ / "out"; }
  const std::filesystem::path& Dir() const { return dir_; }
  std::unique_ptr<SimPlatform> Load() const;

 private:
  std::filesystem::path dir_;
};

/// A front end that records what the run shows and answers the save dialog from a script.
class RecordingFrontEnd : public FrontEnd {
 public:
  void ShowInstructions() override { ++instructionsShown; }
  void ShowStatus(const std::string& line) override { statuses.push_back(line); }
  void ProcessMessages() override { ++messagePumps; }
  bool Terminated() const override { return terminateAtPump && messagePumps >= *terminateAtPump; }
  std::optional<std::string> AskSavePath(const std::string& proposedName,
                                         const std::string& initialFolder) override {
    offeredName = proposedName;
    offeredFolder = initialFolder;
    ++saveDialogs;
    return savePath;
  }
  void ShowError(const std::string& message) override { errors.push_back(message); }
  void ShowMessageBox(const std::string& text, const std::string& caption) override {
    messageBoxes.push_back(caption + ": " + text);
  }

  std::optional<std::string> savePath;  ///< nothing: the user cancels
  std::optional<int> terminateAtPump;   ///< the user closes the window with this message pump
  int instructionsShown = 0;
  int messagePumps = 0;
  int saveDialogs = 0;
  std::vector<std::string> statuses;
  std::vector<std::string> errors;
  std::vector<std::string> messageBoxes;  ///< "caption: text"
  std::string offeredName;
  std::string offeredFolder;
};

/// A run's context on a test machine, with the Windows, system and driver folders of an XP
/// machine settled as the general information leaves them.
struct FolderRun {
  explicit FolderRun(const TestMachine& machine);
  /// The file list as "NAME in FOLDER" lines, in the list's order.
  std::vector<std::string> ListedFiles() const;

  std::unique_ptr<SimPlatform> platform;
  RecordingFrontEnd ui;
  RunContext context;
};

/// A file's bytes; empty when it does not exist.
std::string ReadFileBytes(const std::filesystem::path& path);

/// The lines of a report (split at CR LF; a last line without CR LF counts as well).
std::vector<std::string> ReportLines(const std::string& bytes);

/// The rows of the report table after its heading row, as "key\tvalue".
std::vector<std::string> TableLines(const RunContext& context);

/// A simulated machine with a run on it, for the tests of one collector: machine.json, and
/// the body of a REGEDIT4 file (key and value lines) as its registry. IsNT follows the
/// machine's version.
struct CollectorRun {
  explicit CollectorRun(const std::string& machineJson, const std::string& regLines = "");
  /// The table's rows after its heading row, as "key\tvalue".
  std::vector<std::string> Rows() const { return TableLines(context); }

  TestMachine machine;
  std::unique_ptr<SimPlatform> platform;
  RecordingFrontEnd ui;
  RunContext context;
};

}  // namespace kdx::test
