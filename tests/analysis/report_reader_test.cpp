// The reader takes back every report the program writes, also one cut short, one of the 95
// family and one of another version, and writes it again byte for byte.
#include "analysis/report_reader.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "analysis/report_encoding.h"
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
  EXPECT_EQ(next, report.lines.size() + 1);
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
    if (row.value.rfind("Der Dienst \"KDX USB", 0) == 0) message = &row;
  }
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->lineCount, 3U);
  EXPECT_EQ(message->section, Section::EventLog);
  EXPECT_EQ(RowText(report, *message).substr(message->value.size()), "\n%%2\n");
  // The file list: 19 names, KDXMONX.DLL with four copies, three of them marked.
  ASSERT_EQ(report.files.size(), 19U);
  const FileEntry& monitor = report.files[10];
  ASSERT_EQ(monitor.copies.size(), 4U);
  EXPECT_EQ(monitor.copies[1].folder, "C:\\WINDOWS\\SYSTEM32\\");
  EXPECT_EQ(monitor.copies[1].fileVersion, "2.0.0.14");
  EXPECT_TRUE(monitor.copies[3].differs);
  EXPECT_EQ(report.files[11].copies[0].company, "Kelmo 'Print' Tools");
  ASSERT_EQ(report.checks.size(), 5U);
  EXPECT_EQ(report.checks[0].line, 732U);
  ASSERT_FALSE(report.registry.empty());
  EXPECT_EQ(report.registry[0].path,
            "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ProductOptions");
  EXPECT_EQ(report.registry[0].values[1].name, "ProductSuite");
  EXPECT_EQ(report.registry[0].values[1].data, "hex:00");

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
  EXPECT_EQ(report.lines[3].text, "X\rY");
  ASSERT_EQ(report.files.size(), 1U);
  EXPECT_EQ(report.files[0].copies[0].line, 15U);
  ASSERT_EQ(report.registry.size(), 1U);
  EXPECT_EQ(report.registry[0].values[0].data, "\"b\"");

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
      {"\xFF\xFE" + utf16le, ReportEncoding::Utf16Le},
      {"\xFE\xFF" + utf16be, ReportEncoding::Utf16Be},
      {utf16le, ReportEncoding::Utf16Le},
  };
  for (const auto& c : cases) {
    const DecodedReport decoded = DecodeReport(c.bytes);
    EXPECT_EQ(decoded.encoding, c.encoding);
    EXPECT_TRUE(decoded.lossless);
    EXPECT_EQ(decoded.bytes, ansi) << EncodingName(c.encoding);
  }
  // A character Windows-1252 has not (U+4E2D) cannot come back.
  EXPECT_FALSE(DecodeReport("\xFF\xFE[\0\x2D\x4E"s).lossless);
  // ASCII alone, or bytes that are no UTF-8, stay as they are.
  EXPECT_EQ(DecodeReport("[KDXINFO2.9.2]\r\n").encoding, ReportEncoding::Ansi);
  EXPECT_EQ(DecodeReport("M\xFC\x6Cler").encoding, ReportEncoding::Ansi);
}

}  // namespace
}  // namespace kdx::analysis
