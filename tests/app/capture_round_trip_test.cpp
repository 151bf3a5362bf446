// A capture of a sample machine, replayed as a machine directory of its own, must give the
// sample's reviewed report byte by byte: what the run read is all the capture holds, and all
// the replay needs.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "app/console/console_program.h"
#include "app/exit_codes.h"
#include "app/run_report.h"
#include "platform/capture/capture_directory.h"
#include "platform/capture/capture_platform.h"
#include "platform/machine/machine_error.h"
#include "platform/upcase.h"
#include "support/report_samples.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;

std::string ReportOf(Platform& platform, const fs::path& out) {
  test::RecordingFrontEnd ui;
  ui.savePath = out.string();
  RunContext context(platform, ui);
  EXPECT_EQ(RunReport(context), RunOutcome::Written);
  std::string report = test::ReadFileBytes(out);
  fs::remove(out);
  return report;
}

void ExpectSameLines(const std::string& actual, const std::string& expected) {
  const auto actualLines = test::ReportLines(actual);
  const auto expectedLines = test::ReportLines(expected);
  for (std::size_t i = 0; i < std::min(actualLines.size(), expectedLines.size()); ++i) {
    ASSERT_EQ(actualLines[i], expectedLines[i]) << "line " << i + 1;
  }
  EXPECT_EQ(actualLines.size(), expectedLines.size());
  EXPECT_EQ(actual, expected);
}

class CaptureRoundTrip : public testing::TestWithParam<const char*> {
 protected:
  void TearDown() override { fs::remove_all(captureDir_); }
  fs::path captureDir_ = fs::temp_directory_path() / (std::string("kdx_capture_") + GetParam());
};

TEST_P(CaptureRoundTrip, ReplayGivesTheCapturedReport) {
  fs::remove_all(captureDir_);
  SimPlatform sample(fs::path(KDX_SOURCE_DIR) / "samples" / GetParam());
  CapturePlatform capture(sample);
  // Each sample's files are its own: ctest runs the samples side by side.
  const std::string stem = std::string("kdx_") + GetParam();
  const std::string captured =
      ReportOf(capture, fs::temp_directory_path() / (stem + "_captured.txt"));
  ASSERT_EQ(captured, test::GoldenReport(GetParam()));

  CaptureTotals totals;
  ASSERT_EQ(WriteCapture(capture.Record(), sample, captureDir_.string(), 0x0407, totals), "");
  EXPECT_GT(totals.keys, 0u);
  EXPECT_GT(totals.files, 2u);
  EXPECT_GT(totals.bytes, 0u);

  SimPlatform replay(captureDir_);
  ExpectSameLines(ReportOf(replay, fs::temp_directory_path() / (stem + "_replayed.txt")), captured);
}

INSTANTIATE_TEST_SUITE_P(SampleMachines, CaptureRoundTrip,
                         testing::Values("winxp_de", "win98se_de", "win10x64_de"));

// Found under Wine: a subkey whose name the A calls cannot spell ("??????" for one in another
// script) is listed but never opens, so the export leaves it out; the replay must too.
TEST(CaptureReplay, ASubkeyThatNeverOpenedStaysShut) {
  test::TestMachine machine(test::XpJsonWith(
      R"("registryAccess": {"HKEY_CURRENT_USER\\Control Panel\\International\\??????": []})"));
  machine.AddReg("intl.reg",
                 "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\International]\r\n"
                 "\"sTime\"=\":\"\r\n\r\n"
                 "[HKEY_CURRENT_USER\\Control Panel\\International\\??????]\r\n\r\n"
                 "[HKEY_CURRENT_USER\\Control Panel\\International\\Geo]\r\n\"Nation\"=\"94\"\r\n");
  const auto platform = machine.Load();
  CapturePlatform capture(*platform);
  const std::string captured = ReportOf(capture, machine.OutputDir() / "captured.txt");
  ASSERT_NE(captured.find("International\\Geo]"), std::string::npos);
  ASSERT_EQ(captured.find("??????"), std::string::npos);
  const fs::path dir = machine.Dir() / "capture";
  CaptureTotals totals;
  ASSERT_EQ(WriteCapture(capture.Record(), *platform, dir.string(), 0x0407, totals), "");
  SimPlatform replay(dir);
  ExpectSameLines(ReportOf(replay, machine.OutputDir() / "replayed.txt"), captured);
}

std::string Same(std::string_view text) { return std::string(text); }
bool NoFolder(const std::string&) { return false; }

// A second capture into the same folder would leave the first one's files among its own.
TEST(CaptureConsole, RefusesAFolderThatHoldsACapture) {
  test::TestMachine machine;
  const auto platform = machine.Load();
  const fs::path dir = machine.Dir() / "capture";
  fs::create_directories(dir);
  std::FILE* earlier = std::fopen((dir / "machine.json").string().c_str(), "wb");
  ASSERT_NE(earlier, nullptr);
  std::fclose(earlier);
  ConsoleOptions options;
  options.assumeYes = true;
  options.output = (machine.OutputDir() / "report.txt").string();
  options.captureDir = dir.string();
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const ConsoleStreams streams{stdin, out, err, &Same, &Same, &NoFolder};
  EXPECT_EQ(RunCapturedConsoleReport(*platform, options, streams, 0x0407), kExitFailed);
  std::rewind(err);
  char message[512] = {};
  EXPECT_NE(std::fgets(message, sizeof message, err), nullptr);
  EXPECT_EQ(std::string(message),
            "kdxinfo: capture: " + dir.string() + " already holds a capture\n");
  EXPECT_FALSE(fs::exists(machine.OutputDir() / "report.txt"));
  std::fclose(out);
  std::fclose(err);
}

// Captures the XP sample into dir; the captured report.
std::string CaptureXpSample(const fs::path& dir) {
  fs::remove_all(dir);
  SimPlatform sample(fs::path(KDX_SOURCE_DIR) / "samples" / "winxp_de");
  CapturePlatform capture(sample);
  std::string report = ReportOf(capture, dir.string() + "_captured.txt");
  CaptureTotals totals;
  EXPECT_EQ(WriteCapture(capture.Record(), sample, dir.string(), 0x0407, totals), "");
  return report;
}

TEST(CaptureReplay, RefusesACaptureCutShort) {
  const fs::path dir = fs::temp_directory_path() / "kdx_capture_cut";
  CaptureXpSample(dir);
  const fs::path json = dir / "machine.json";
  const std::string whole = test::ReadFileBytes(json);
  fs::resize_file(json, whole.size() / 2);
  EXPECT_THROW(SimPlatform{dir}, MachineError);
  fs::remove_all(dir);
}

// A file that a captured registry value names, gone from the capture, is missing on the
// replayed machine as it would be on the PC: the run goes on, without what the file held (here
// an event source's message file and the texts of its events).
TEST(CaptureReplay, AMessageFileGoneFromTheCaptureLeavesOnlyItsTextsOut) {
  const fs::path dir = fs::temp_directory_path() / "kdx_capture_no_message_file";
  const std::vector<std::string> captured = test::ReportLines(CaptureXpSample(dir));
  std::size_t removed = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dir / "drive_c")) {
    if (UpcaseAscii(entry.path().filename().string()) == "NETEVENT.DLL") {
      removed += fs::remove(entry.path()) ? 1 : 0;
      break;
    }
  }
  ASSERT_EQ(removed, 1u);
  SimPlatform replay(dir);
  const std::vector<std::string> replayed =
      test::ReportLines(ReportOf(replay, dir.string() + "_replayed.txt"));
  std::size_t at = 0;
  for (const std::string& line : replayed) {
    while (at < captured.size() && captured[at] != line) ++at;
    ASSERT_LT(at++, captured.size()) << "not in the captured report: " << line;
  }
  EXPECT_LT(replayed.size(), captured.size());
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kdx
