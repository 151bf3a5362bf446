// Two runs of the XP sample machine, before and after a change: the spooler stopped, a driver
// file replaced by another version, a printer removed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "analysis/report_diff.h"
#include "analysis/report_reader.h"
#include "app/run_report.h"
#include "support/report_samples.h"
#include "support/test_machine.h"

namespace kdx::analysis {
namespace {

namespace fs = std::filesystem;

// The report the program writes of a machine directory.
std::string ReportOfMachine(const fs::path& machineDir) {
  SimPlatform platform(machineDir);
  test::RecordingFrontEnd ui;
  const fs::path out = machineDir / "report.txt";
  ui.savePath = out.string();
  RunContext context(platform, ui);
  EXPECT_EQ(RunReport(context), RunOutcome::Written);
  return test::ReadFileBytes(out);
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Takes a key with its values out of a .reg file: up to the next key.
void RemoveKey(const fs::path& path, std::string_view header) {
  std::string text = test::ReadFileBytes(path);
  const std::size_t start = text.find(header);
  ASSERT_NE(start, std::string::npos) << header;
  text.erase(start, text.find("\n[", start) + 1 - start);
  WriteText(path, text);
}

void EditFile(const fs::path& path, std::string_view from, std::string_view to) {
  WriteText(path, test::Edited(test::ReadFileBytes(path), from, to));
}

class ChangedMachine : public testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() /
        (std::string("kdx_diff_") + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::copy(fs::path(KDX_SOURCE_DIR) / "samples" / "winxp_de", dir_ / "machine",
             fs::copy_options::recursive);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Machine() const { return dir_ / "machine"; }

  fs::path dir_;
};

using ChangeLine = std::tuple<std::string_view, ChangeKind, std::string, std::string, std::string>;

TEST_F(ChangedMachine, ListsTheStoppedServiceTheReplacedDriverFileAndTheRemovedPrinter) {
  const std::string before = ReportOfMachine(Machine());
  ASSERT_EQ(before, test::GoldenReport("winxp_de"));

  EditFile(Machine() / "machine.json",
           R"({ "name": "Spooler", "displayName": "Druckwarteschlange", "state": 4 })",
           R"({ "name": "Spooler", "displayName": "Druckwarteschlange", "state": 1 })");
  const fs::path drivers = Machine() / "drive_c/WINDOWS/system32/spool/drivers/w32x86";
  // Removed first: mingw's copy_file refuses to overwrite on Windows.
  fs::remove(drivers / "3" / "KDX410.DLL");
  fs::copy_file(drivers / "2" / "KDX410UI.DLL", drivers / "3" / "KDX410.DLL");
  EditFile(Machine() / "machine.json", R"({ "name": "Dexta KD-420", "port": "USB002" },)", "");
  RemoveKey(Machine() / "registry/70_hklm_label_printer.reg",
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Dexta "
            "KD-420]");
  const std::string after = ReportOfMachine(Machine());
  const Report oldReport = ReadReport(before);
  const Report newReport = ReadReport(after);
  ASSERT_EQ(WriteReport(newReport), after);
  const ReportFacts oldFacts = GatherFacts(oldReport);
  const ReportFacts newFacts = GatherFacts(newReport);

  std::vector<ChangeLine> changes;
  for (const Change& change : DiffReports(oldFacts, {}, newFacts, {}).changes) {
    const std::string_view part = PartCode(change.part);
    if (part == "registry" || part == "files" || part == "printers" || part == "services" ||
        part == "checks") {
      changes.emplace_back(part, change.change, change.subject, change.oldValue, change.newValue);
    }
    if (part == "files") {
      EXPECT_NE(newReport.TextOfNumber(change.newLine).find("('KDX410.DLL','3.0.0.9'"),
                std::string::npos);
    }
  }
  const std::string kd420 =
      "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers\\Dexta KD-420";
  const std::vector<ChangeLine> expected = {
      {"services", ChangeKind::Changed, "SPOOLER", "RUNNING", "STOPPED"},
      {"services", ChangeKind::Changed, "Spooler(Druckwarteschlange)", "RUNNING", "STOPPED"},
  };
  for (const ChangeLine& line : expected) {
    EXPECT_NE(std::find(changes.begin(), changes.end(), line), changes.end()) << std::get<2>(line);
  }
  const auto has = [&](std::string_view part, ChangeKind kind, const std::string& subject) {
    return std::any_of(changes.begin(), changes.end(), [&](const ChangeLine& c) {
      return std::get<0>(c) == part && std::get<1>(c) == kind && std::get<2>(c) == subject;
    });
  };
  EXPECT_TRUE(has("files", ChangeKind::Changed,
                  "C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\W32X86\\3\\KDX410.DLL"));
  EXPECT_TRUE(has("printers", ChangeKind::Changed, "Dexta KD-410: KDX410.DLL"));
  EXPECT_TRUE(has("printers", ChangeKind::Removed, "Dexta KD-420"));
  EXPECT_TRUE(has("registry", ChangeKind::Removed, kd420));
  EXPECT_TRUE(has("registry", ChangeKind::Removed, kd420 + "\\Printer Driver"));
  EXPECT_TRUE(has("checks", ChangeKind::Added, "Spooler ist nicht gestartet"));
  const auto file = std::find_if(changes.begin(), changes.end(),
                                 [](const ChangeLine& c) { return std::get<0>(c) == "files"; });
  ASSERT_NE(file, changes.end());
  EXPECT_EQ(std::get<3>(*file).substr(0, 13), "3.1.0.2 / 3.1");
  EXPECT_EQ(std::get<4>(*file).substr(0, 13), "3.0.0.9 / 3.0");

  EXPECT_TRUE(DiffReports(oldFacts, {}, oldFacts, {}).changes.empty());
}

}  // namespace
}  // namespace kdx::analysis
