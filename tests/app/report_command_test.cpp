// kdxinfo read and kdxinfo diff as a technician runs them: exit status, what goes to the
// terminal, and a clear message naming the file for what is not a report.
#include "app/console/report_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/text_encoding.h"
#include "support/report_samples.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;

// Windows-1252 text as UTF-16 LE with its byte-order mark, as Notepad saves "Unicode".
std::string Utf16Le(const std::string& ansi) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : AnsiToUtf16(ansi)) {
    bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  }
  return bytes;
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class ReportCommand : public testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() /
        (std::string("kdx_cmd_") + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string File(const std::string& name, const std::string& bytes) const {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }

  Outcome Run(const std::vector<std::string>& arguments) const {
    const std::string outPath = (dir_ / "stdout").string();
    const std::string errPath = (dir_ / "stderr").string();
    Outcome outcome;
    std::FILE* out = std::fopen(outPath.c_str(), "wb");
    std::FILE* err = std::fopen(errPath.c_str(), "wb");
    outcome.status = RunReportCommand(arguments, out, err);
    std::fclose(out);
    std::fclose(err);
    outcome.out = test::ReadFileBytes(outPath);
    outcome.err = test::ReadFileBytes(errPath);
    return outcome;
  }

  fs::path dir_;
};

TEST_F(ReportCommand, ReadsAReportWithItsFindingsAndTheStatusOfTheWorst) {
  const std::string xp = File("xp.txt", test::GoldenReport("winxp_de"));
  const Outcome text = Run({"read", xp});
  EXPECT_EQ(text.status, 1);  // the sample has errors
  EXPECT_TRUE(text.err.empty()) << text.err;
  EXPECT_NE(text.out.find("FEHLER   driver-file-missing\n"), std::string::npos);
  EXPECT_NE(text.out.find("         Zeile 192: kdxres.dll | Fehler: Datei nicht gefunden\n"),
            std::string::npos);
  EXPECT_NE(text.out.find("  Benutzer:  Hans M\xC3\xBCller\n"), std::string::npos);  // UTF-8

  const Outcome json = Run({"read", "--json", xp});
  EXPECT_NE(json.out.find("\"schema\": \"kdxinfo-read\""), std::string::npos);
  EXPECT_NE(json.out.find("\"code\": \"driver-file-missing\",\n      \"severity\": \"error\""),
            std::string::npos);

  // Without an error finding the status is 0.
  const std::string clean = File(
      "clean.txt",
      test::Edited(test::GoldenReport("win98se_de"), "KDXRES.DLL\tFehler: Datei nicht gefunden",
                   "KDXRES.DLL\t20.05.2003 10:00:00; 4096 Byte; A; Version: 3.0 / 3.0.0.1"));
  EXPECT_EQ(Run({"read", clean}).status, 0);

  const std::string page = (dir_ / "page.html").string();
  EXPECT_EQ(Run({"read", xp, "--html", page}).status, 1);
  const std::string html = test::ReadFileBytes(page);
  EXPECT_NE(html.find("<ol id=\"findings\">"), std::string::npos);
  EXPECT_NE(html.find("<a href=\"#L192\">192</a>"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
}

TEST_F(ReportCommand, DiffsTwoReportsWithStatusOneForAChange) {
  const std::string xp = test::GoldenReport("winxp_de");
  const std::string before = File("before.txt", xp);
  const std::string after =
      File("after.txt", test::Edited(xp, "KDXMONX Status 1: STOPPED", "KDXMONX Status 4: RUNNING"));
  const Outcome same = Run({"diff", before, before});
  EXPECT_EQ(same.status, 0);
  const std::string page = (dir_ / "diff.html").string();
  EXPECT_EQ(Run({"diff", before, after, "--html", page}).status, 1);
  EXPECT_NE(test::ReadFileBytes(page).find("<tr class=\"changed\"><td>services</td><td "
                                           "class=\"c\">changed</td><td>KDXMONX</td>"),
            std::string::npos);
  const Outcome changed = Run({"diff", "--json", before, after});
  EXPECT_EQ(changed.status, 1);
  EXPECT_NE(changed.out.find(R"("part": "services",
      "change": "changed",
      "subject": "KDXMONX",
      "old": "STOPPED",
      "new": "RUNNING",
      "oldLine": 39,
      "newLine": 39)"),
            std::string::npos)
      << changed.out;
}

// What is not a report as the program wrote it ends with status 2 and names the file; a
// report an editor re-saved is read anyway, with its findings at the same lines.
TEST_F(ReportCommand, RefusesWhatIsNotAReportAndSaysWhy) {
  const struct {
    std::string path;
    const char* message;
  } cases[] = {
      {(dir_ / "missing.txt").string(), "no such file"},
      {dir_.string(), "is a folder"},
      {File("empty.txt", ""), "the file is empty"},
      {File("readme.txt", "# KDXInfo\r\nA readme.\r\n"), "not a KDXInfo report"},
      {File("chinese.txt", Utf16Le("[KDXINFO2.9.2]\r\n") + std::string("\x2D\x4E", 2)),
       "Windows-1252 cannot: not read"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Run({"read", c.path});
    EXPECT_EQ(outcome.status, 2) << c.path;
    EXPECT_TRUE(outcome.out.empty());
    EXPECT_NE(outcome.err.find("kdxinfo: " + c.path + ": "), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
  }
  EXPECT_EQ(Run({"diff", cases[0].path, cases[2].path}).status, 2);
  EXPECT_EQ(Run({"read"}).status, 2);
  EXPECT_EQ(Run({"read", "a", "--bogus"}).status, 2);
}

TEST_F(ReportCommand, ReadsAReSavedReportWithItsFindingsAtTheSameLines) {
  const std::string ansi = test::GoldenReport("winxp_de");
  const std::string original = Run({"read", File("ansi.txt", ansi)}).out;
  const std::string utf16 = Utf16Le(ansi);
  const struct {
    const char* name;
    std::string bytes;
    const char* encoding;
  } cases[] = {{"utf8.txt", Cp1252ToUtf8(ansi), "saved as UTF-8,"},
               {"bom.txt", "\xEF\xBB\xBF" + Cp1252ToUtf8(ansi), "saved as UTF-8 mit BOM,"},
               {"utf16.txt", utf16, "saved as UTF-16 LE,"}};
  for (const auto& c : cases) {
    const std::string path = File(c.name, c.bytes);
    const Outcome outcome = Run({"read", path});
    EXPECT_EQ(outcome.status, 2) << c.name;
    EXPECT_NE(outcome.err.find(c.encoding), std::string::npos) << outcome.err;
    // The same findings at the same lines; only the file name in the first line differs.
    EXPECT_EQ(outcome.out.substr(outcome.out.find('\n')), original.substr(original.find('\n')));
  }
}

}  // namespace
}  // namespace kdx
