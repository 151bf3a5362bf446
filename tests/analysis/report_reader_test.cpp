// The reader takes back every report the program writes, also one cut short, one of the 95
// family and one of another version, and writes it again byte for byte.
#include "analysis/report_reader.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "analysis/findings.h"
#include "analysis/report_encoding.h"
#include "mail_copies.h"
#include "platform/text_encoding.h"
#include "run/report_table.h"
#include "support/report_samples.h"

namespace kdx::analysis {
namespace {

using namespace std::string_literals;

using PartLayout = std::vector<std::pair<PartKind, std::size_t>>;  // kind, first line

PartLayout LayoutOf(const Report& report) {
  PartLayout layout;
  std::size_t next = 1;
  for (const ReportPart& part : report.parts) {
    EXPECT_EQ(part.first, next) << "parts must cover every line once, in order";
    next = part.first + part.count;
    layout.emplace_back(part.kind, part.first);
  }
  EXPECT_EQ(next, report.FileLineCount() + 1);
  return layout;
}

TEST(ReportReader, FindsThePartsOfTheSampleReports) {
  const std::string xp = test::GoldenReport("winxp_de");
  const Report report = ReadReport(xp);
  EXPECT_EQ(LayoutOf(report), (PartLayout{{PartKind::Marker, 1},
                                          {PartKind::Table, 2},
                                          {PartKind::LogFile, 235},
                                          {PartKind::LogFile, 244},
                                          {PartKind::LogFile, 250},
                                          {PartKind::Registry, 259},
                                          {PartKind::FileList, 704},
                                          {PartKind::Checks, 731},
                                          {PartKind::End, 738}}));
  EXPECT_EQ(report.parts[2].name, "KdxError.log");
  EXPECT_EQ(report.parts[4].name, "dpinst.log");
  EXPECT_EQ(report.marker, "[KDXINFO2.9.2]");
  EXPECT_EQ(report.end, ReportEnd::Complete);
  // An event message that runs over three lines is one row.
  const TableRow* message = nullptr;
  for (const TableRow& row : report.rows) {
    if (report.Value(row).rfind("Der Dienst \"KDX USB", 0) == 0) message = &row;
  }
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->lineCount, 3U);
  EXPECT_EQ(message->section, Section::EventLog);
  EXPECT_EQ(report.RowText(*message).substr(report.Value(*message).size()), "\n%%2\n");
  // The file list: 19 names, KDXMONX.DLL with four copies, three of them marked.
  ASSERT_EQ(report.files.size(), 19U);
  const FileEntry& monitor = report.files[10];
  ASSERT_EQ(monitor.copyCount, 4U);
  const FileCopy* copies = report.CopiesBegin(monitor);
  EXPECT_EQ(report.Copy(copies[1]).folder, "C:\\WINDOWS\\SYSTEM32\\");
  EXPECT_EQ(report.Copy(copies[1]).fileVersion, "2.0.0.14");
  EXPECT_TRUE(copies[3].differs);
  EXPECT_EQ(report.Copy(*report.CopiesBegin(report.files[11])).company, "Kelmo 'Print' Tools");
  ASSERT_EQ(report.checks.size(), 5U);
  EXPECT_EQ(report.Number(report.checks[0]), 732U);
  ASSERT_FALSE(report.registry.empty());
  EXPECT_EQ(report.KeyPath(report.registry[0]),
            "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ProductOptions");
  const RegistryValue& suite = report.ValuesBegin(report.registry[0])[1];
  EXPECT_EQ(report.ValueName(suite), "ProductSuite");
  EXPECT_EQ(report.ValueData(suite), "hex:00");

  const std::string win98 = test::GoldenReport("win98se_de");
  EXPECT_EQ(LayoutOf(ReadReport(win98)), (PartLayout{{PartKind::Marker, 1},
                                                     {PartKind::Table, 2},
                                                     {PartKind::LogFile, 112},
                                                     {PartKind::Registry, 119},
                                                     {PartKind::FileList, 193},
                                                     {PartKind::Checks, 203},
                                                     {PartKind::End, 205}}));
}

// Every cut of a report reads without failing, keeps its parts in order and writes back the
// same bytes; a cut with the abnormal-end marker is told apart from one that simply stops.
TEST(ReportReader, ReadsEveryCutOfAReportAndWritesItBack) {
  for (const char* name : {"winxp_de", "win98se_de", "win10x64_de"}) {
    const std::string whole = test::GoldenReport(name);
    ASSERT_EQ(WriteReport(ReadReport(whole)), whole);
    for (std::size_t cut = 0; cut < whole.size(); cut += 211) {
      const std::string stopped = whole.substr(0, cut);
      const Report report = ReadReport(stopped);
      LayoutOf(report);
      ASSERT_EQ(WriteReport(report), stopped) << name << " cut at " << cut;
      // A cut that leaves the closing marker whole, only its line end gone, ends complete.
      if (cut > 0 && !stopped.ends_with("END OF KDXINFO")) {
        EXPECT_EQ(report.end, ReportEnd::CutShort) << name << " cut at " << cut;
      }
      const std::string abnormal =
          stopped.substr(0, stopped.rfind('\n') + 1) + "ABNORMAL END OF KDXINFO\r\n";
      const Report ended = ReadReport(abnormal);
      ASSERT_EQ(WriteReport(ended), abnormal);
      if (cut > 20) {
        EXPECT_EQ(ended.end, ReportEnd::Abnormal) << cut;
      }
    }
  }
}

TEST(ReportReader, KeepsWhatItDoesNotKnowAsLines) {
  // Another 2.9 version, lines after the end, LF-only line ends and a lone CR inside a line.
  const std::string other = "[KDXINFO2.9.1]\nNeue Zeile\tWert\r\n\r\nX\rY\n" + Ruler() +
                            "\r\n\r\nREGEDIT4\r\n\r\n[HKEY_X]\r\n\"a\"=\"b\"\r\n\r\n"
                            "[REGEDIT END]\r\n\r\n[FILELIST]\r\n"
                            "('A','1','1','C:\\','1','d','t','','A'),\r\nkaputt\r\n"
                            "[FILELIST END]\r\n\r\nEND OF KDXINFO\r\nnachher";
  const Report report = ReadReport(other);
  EXPECT_EQ(WriteReport(report), other);
  EXPECT_EQ(report.marker, "[KDXINFO2.9.1]");
  EXPECT_EQ(report.end, ReportEnd::Complete);
  EXPECT_EQ(report.parts.back().kind, PartKind::Unrecognised);
  EXPECT_EQ(report.Text(3), "X\rY");
  ASSERT_EQ(report.files.size(), 1U);
  EXPECT_EQ(report.Number(report.copies[0].at), 15U);
  ASSERT_EQ(report.registry.size(), 1U);
  EXPECT_EQ(report.ValueData(report.values[0]), "\"b\"");

  const std::string notReport = "Hallo\r\nWelt";
  const Report unknown = ReadReport(notReport);
  EXPECT_TRUE(unknown.marker.empty());
  EXPECT_EQ(LayoutOf(unknown), (PartLayout{{PartKind::Unrecognised, 1}}));
  EXPECT_EQ(WriteReport(unknown), notReport);
  EXPECT_TRUE(ReadReport("").parts.empty());
}

// An editor that re-saved the report: converted back where nothing is lost, line for line.
TEST(ReportEncoding, ConvertsEditorEncodingsBackLosslessly) {
  const std::string ansi = test::GoldenReport("winxp_de");
  const std::string utf8 = Cp1252ToUtf8(ansi);
  std::string utf16le;
  std::string utf16be;
  for (const char16_t unit : AnsiToUtf16(ansi)) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    utf16le += {low, high};
    utf16be += {high, low};
  }
  const struct {
    std::string bytes;
    ReportEncoding encoding;
  } cases[] = {
      {ansi, ReportEncoding::Ansi},
      {utf8, ReportEncoding::Utf8},
      {"\xEF\xBB\xBF" + utf8, ReportEncoding::Utf8Bom},
      {"\xFF\xFE" + utf16le, ReportEncoding::Utf16LeBom},
      {"\xFE\xFF" + utf16be, ReportEncoding::Utf16BeBom},
      {utf16le, ReportEncoding::Utf16Le},
      {utf16be, ReportEncoding::Utf16Be},
  };
  for (const auto& c : cases) {
    const DecodedReport decoded = DecodeReport(c.bytes);
    EXPECT_EQ(decoded.encoding, c.encoding);
    EXPECT_TRUE(decoded.lossless);
    EXPECT_EQ(decoded.bytes, ansi) << EncodingCode(c.encoding);
  }
  // A character Windows-1252 has not (U+4E2D) cannot come back.
  EXPECT_FALSE(DecodeReport("\xFF\xFE[\0\x2D\x4E"s).lossless);
  // ASCII alone, or bytes that are no UTF-8, stay as they are.
  EXPECT_EQ(DecodeReport("[KDXINFO2.9.2]\r\n").encoding, ReportEncoding::Ansi);
  EXPECT_EQ(DecodeReport("M\xFC\x6Cler").encoding, ReportEncoding::Ansi);
}

// A finding as it reads: its code, severity, subject, and its evidence lines' numbers or texts.
std::vector<std::string> Read(const Report& report, bool texts) {
  std::vector<std::string> findings;
  for (const Finding& finding : FindFindings(GatherFacts(report))) {
    std::string read = std::string(finding.code) + " " +
                       std::string(SeverityName(finding.severity)) + " " + finding.subject;
    for (const std::size_t line : finding.lines) {
      read += " " + (texts ? std::string(report.TextOfNumber(line)) : std::to_string(line));
    }
    findings.push_back(read);
  }
  return findings;
}

// A mail program that strips the lines' trailing blanks or re-wraps them at a width leaves the
// findings as they were, each citing the same text; the report says what was done to it.
TEST(ReportReader, ReadsReportsAsMailProgramsLeaveThem) {
  // Without log files the table's last row is followed by empty lines of the frame.
  const std::string noLogs = test::Edited(
      test::GoldenReport("win98se_de"),
      Ruler() +
          "\r\n\r\nKdxError.log:\r\nKDX 4.31 Fehlerprotokoll\r\n03.01.2007 08:55:10 Port "
          "COM1: Zeitueberschreitung\r\n",
      "");
  EXPECT_FALSE(ReadReport(noLogs).altered.Any());
  for (const char* name : {"winxp_de", "win98se_de"}) {
    const std::string whole = test::GoldenReport(name);
    const Report original = ReadReport(whole);
    EXPECT_FALSE(original.altered.Any());
    const struct {
      std::string bytes;
      bool stripped;
      std::size_t width;
    } copies[] = {{test::Stripped(whole), true, 0},
                  {test::Rewrapped(whole, 76, true), false, 76},
                  {test::Rewrapped(whole, 72, false), false, 72},
                  {test::Rewrapped(test::Stripped(whole), 76, true), true, 76}};
    for (const auto& copy : copies) {
      SCOPED_TRACE(std::string(name) + " width " + std::to_string(copy.width));
      const Report report = ReadReport(copy.bytes);
      EXPECT_EQ(report.altered.blanksStripped, copy.stripped);
      EXPECT_EQ(report.altered.wrapWidth, copy.width);
      EXPECT_EQ(report.end, ReportEnd::Complete);
      EXPECT_EQ(WriteReport(report), copy.bytes);
      // Stripped lines keep their numbers but lose their trailing TABs; re-wrapped lines keep
      // their texts under other numbers.
      const bool texts = copy.width != 0 && !copy.stripped;
      if (copy.width == 0 || texts) {
        EXPECT_EQ(Read(report, texts), Read(original, texts));
      }
      if (copy.width != 0 && copy.stripped) {
        EXPECT_EQ(Read(report, false).size(), Read(original, false).size());
      }
    }
  }
}

}  // namespace
}  // namespace kdx::analysis
