// kdxinfo read and kdxinfo diff as a technician runs them: exit status, what goes to the
// terminal, and a clear message naming the file for what is not a report.
#include "app/console/report_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "../analysis/mail_copies.h"
#include "app/console/command_line.h"
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
  EXPECT_NE(text.out.find("  Benutzer:   Hans M\xC3\xBCller\n"), std::string::npos);  // UTF-8
  EXPECT_NE(text.out.find("         Abhilfe: Den Druckertreiber neu installieren"),
            std::string::npos);

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
  const std::string html = test::ReadFileBytes(page);
  EXPECT_NE(html.find("<tr class=\"changed\" data-part=\"services\"><td>Dienste</td><td "
                      "class=\"c\">ge\xC3\xA4ndert</td><td>KDXMONX</td><td>STOPPED <a "
                      "href=\"#A39\">Zeile 39</a></td><td>RUNNING <a href=\"#B39\">Zeile 39</a>"),
            std::string::npos);
  // Both reports' lines are in the page for its links.
  EXPECT_NE(html.find("<span id=\"A39\">"), std::string::npos);
  EXPECT_NE(html.find("<span id=\"B39\">"), std::string::npos);
  const Outcome changed = Run({"diff", "--json", before, after});
  EXPECT_EQ(changed.status, 1);
  EXPECT_NE(changed.out.find(R"("part": "services",
      "change": "changed",
      "subject": "KDXMONX",
      "old": "STOPPED",
      "new": "RUNNING",
      "oldEn": null,
      "newEn": null,
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
      {File("empty.txt", ""), "the file is empty"},
      {File("readme.txt", "# KDXInfo\r\nA readme.\r\n"), "not a KDXInfo report"},
      {File("chinese.txt", Utf16Le("[KDXINFO2.9.2]\r\n") + std::string("\x2D\x4E", 2)),
       "Windows-1252 cannot: not read"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Run({"read", c.path, "--lang", "en"});
    EXPECT_EQ(outcome.status, 2) << c.path;
    EXPECT_TRUE(outcome.out.empty());
    EXPECT_NE(outcome.err.find("kdxinfo: " + c.path + ": "), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
  }
  const Outcome german = Run({"read", cases[0].path});
  EXPECT_NE(german.err.find(": keine solche Datei\n"), std::string::npos) << german.err;
  const Outcome folder = Run({"diff", dir_.string(), cases[1].path, "--lang=en"});
  EXPECT_EQ(folder.status, 2);
  EXPECT_NE(folder.err.find("is a folder, not a report file"), std::string::npos) << folder.err;
  EXPECT_EQ(Run({"read"}).status, 2);
  EXPECT_EQ(Run({"read", "a", "--bogus"}).status, 2);
  EXPECT_EQ(Run({"read", "a", "--lang", "fr"}).status, 2);
}

TEST_F(ReportCommand, ReadsAReSavedReportWithItsFindingsAtTheSameLines) {
  const std::string ansi = test::GoldenReport("winxp_de");
  const std::string original = Run({"read", File("ansi.txt", ansi), "--lang", "en"}).out;
  const std::string utf16 = Utf16Le(ansi);
  const struct {
    const char* name;
    std::string bytes;
    const char* encoding;
  } cases[] = {{"utf8.txt", Cp1252ToUtf8(ansi), "saved again as UTF-8;"},
               {"bom.txt", "\xEF\xBB\xBF" + Cp1252ToUtf8(ansi),
                "saved again as UTF-8 with byte-order mark;"},
               {"utf16.txt", utf16, "saved again as UTF-16 LE with byte-order mark;"}};
  for (const auto& c : cases) {
    const std::string path = File(c.name, c.bytes);
    const Outcome outcome = Run({"read", path, "--lang", "en"});
    EXPECT_EQ(outcome.status, 2) << c.name;
    EXPECT_NE(outcome.err.find(c.encoding), std::string::npos) << outcome.err;
    // The same findings at the same lines; only the file name in the first line differs.
    EXPECT_EQ(outcome.out.substr(outcome.out.find('\n')), original.substr(original.find('\n')));
  }
}

// One language: English with --lang en; the text of a mailed report and what was done to it.
TEST_F(ReportCommand, SpeaksOneLanguageAndSaysWhatAMailProgramDid) {
  const std::string xp = test::GoldenReport("winxp_de");
  const Outcome english = Run({"read", File("xp.txt", xp), "--lang", "en"});
  EXPECT_NE(english.out.find("Findings: 6 errors, 9 warnings, 5 notes\n"), std::string::npos);
  EXPECT_NE(english.out.find("\nERROR    driver-file-missing\n         The printer driver"),
            std::string::npos);
  EXPECT_EQ(english.out.find("Abhilfe"), std::string::npos);
  const Outcome wrapped = Run({"read", File("wrapped.txt", test::Rewrapped(xp, 76, true))});
  EXPECT_EQ(wrapped.status, 2);
  EXPECT_NE(wrapped.err.find("Zeilen bei 76 Zeichen umbrochen"), std::string::npos) << wrapped.err;
  EXPECT_NE(wrapped.out.find(", 878 Zeilen, vollst\xC3\xA4ndig\nBefunde: 6 Fehler, 9 Warnungen, 5 "
                             "Hinweise\n"),
            std::string::npos);
  testing::internal::CaptureStdout();
  CommandLine help;
  help.action = CommandLine::Action::ShowHelp;
  AnswerWithoutRun(help, "usage\n");
  const std::string usage = testing::internal::GetCapturedStdout();
  EXPECT_NE(usage.find("  kdxinfo read REPORT_OR_FOLDER..."), std::string::npos);
  EXPECT_NE(usage.find("  kdxinfo diff OLD NEW"), std::string::npos);
}

// A folder of what reaches support: a line per file, in name order, the unreadable one with its
// reason; JSON Lines; an index page linking each report's page; the worst status.
TEST_F(ReportCommand, ReadsAFolderOfReportsALineEach) {
  const std::string xp = test::GoldenReport("winxp_de");
  const fs::path folder = dir_ / "mails";
  fs::create_directories(folder);
  const auto put = [&](const char* name, const std::string& bytes) {
    std::ofstream(folder / name, std::ios::binary) << bytes;
  };
  put("a_good.txt", test::GoldenReport("win98se_de"));
  put("b_cut.txt", xp.substr(0, xp.size() / 2));
  put("c_resaved.txt", Utf16Le(xp));
  put("d_foreign.txt", "Sehr geehrte Damen und Herren,\r\n");
  const Outcome text = Run({"read", folder.string()});
  EXPECT_EQ(text.status, 2);
  // The folder's files as the host's folder listing joins them.
  std::string base = (folder / "-").string();
  base.pop_back();
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.out.size(); at = text.out.find('\n', at) + 1) {
    lines.push_back(text.out.substr(at, text.out.find('\n', at) - at));
  }
  ASSERT_EQ(lines.size(), 4U) << text.out;
  EXPECT_EQ(lines[0], base +
                          "a_good.txt: WERKSTATT | 3.1.2007 09:05:04 | Windows 98 SE 4.10 A "
                          "(2222) | Software: V4 4.20.0.3 | Drucker: Dexta KD-410 (COM1:) | 1 "
                          "Fehler, 3 Warnungen, 0 Hinweise | erster Fehler: driver-file-missing: "
                          "Dem Druckertreiber Dexta KD-410 des Druckers Dexta KD-410 fehlt die "
                          "abh\xC3\xA4ngige Datei KDXRES.DLL: sie liegt in keinem der "
                          "Treiberordner");
  EXPECT_EQ(lines[1].rfind(base + "b_cut.txt (abgebrochen): BUERO-PC07 | 6.12.", 0), 0U);
  // The cut is an error of its own: the monitor, the driver file, the crash and the cut.
  EXPECT_NE(lines[1].find(" | 4 Fehler, "), std::string::npos) << lines[1];
  EXPECT_EQ(lines[2].rfind(base + "c_resaved.txt (ver\xC3\xA4ndert): BUERO-PC07 | 6.12.", 0), 0U);
  EXPECT_NE(lines[2].find(" | 6 Fehler, 9 Warnungen, 5 Hinweise | erster Fehler: "
                          "check-monitor-not-started: "),
            std::string::npos);
  EXPECT_EQ(lines[3], base +
                          "d_foreign.txt: nicht lesbar: kein KDXInfo-Bericht (seine erste Zeile "
                          "ist keine Kennung wie [KDXINFO2.9.2])");
  const std::string index = (dir_ / "index.html").string();
  const Outcome json = Run({"read", folder.string(), "--json", "--html", index});
  EXPECT_EQ(json.status, 2);
  EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 4);
  std::string jsonBase;  // a Windows path's backslashes escaped
  for (const char c : base) jsonBase += c == '\\' ? std::string("\\\\") : std::string(1, c);
  EXPECT_NE(json.out.find("\"file\":\"" + jsonBase + "a_good.txt\",\"status\":1,\"problem\":null"),
            std::string::npos);
  EXPECT_NE(json.out.find("\"status\":2,\"problem\":\"kein KDXInfo-Bericht"), std::string::npos);
  const std::string page = test::ReadFileBytes(index);
  EXPECT_NE(page.find("<a href=\"index-1.html\">"), std::string::npos);
  EXPECT_NE(test::ReadFileBytes((dir_ / "index-3.html").string()).find("<ol id=\"findings\">"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ / "index-4.html"));
  // A folder without files gets its line too.
  fs::create_directories(dir_ / "empty");
  const Outcome empty = Run({"read", (dir_ / "empty").string()});
  EXPECT_EQ(empty.status, 2);
  EXPECT_NE(empty.out.find(": nicht lesbar: ist ein Ordner, keine Berichtsdatei\n"),
            std::string::npos)
      << empty.out;
  // One report among others given by name gives its line, and its status alone.
  EXPECT_EQ(Run({"read", base + "a_good.txt", base + "a_good.txt"}).status, 1);
}

}  // namespace
}  // namespace kdx
