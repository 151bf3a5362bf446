#include "platform/formats/event_log_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/formats/evt_file.h"
#include "platform/formats/format_error.h"
#include "platform/machine/machine_error.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

std::string ErrorOf(const std::string& text) {
  try {
    ParseEventLogText(text);
  } catch (const FormatError& error) {
    return MachineError("System.txt", error).what();
  }
  return "no error";
}

/// A record with the given line in place of its "type:" line; the line is line 2.
std::string WithLine(const std::string& line) {
  return "source: S\n" + line + "\nid: 1\ntime: 1970-01-01 00:00:00\ncomputer: PC\n";
}

TEST(EventLogTextTest, ReadsRecordsInFileOrder) {
  const std::vector<EventLogEntry> log = ParseEventLogText(
      "\xEF\xBB\xBF# System log of BUERO-PC07\r\n"
      "source: Service Control Manager\r\n"
      "type: Error\r\n"
      "id: 0xC0001B7B\r\n"
      "time: 2026-12-06 21:23:38\r\n"
      "computer: BUERO-PC07\r\n"
      "string:    KDX USB-Druckerdienst f\xC3\xBCr Etiketten \r\n"
      "string:\r\n"
      " \t\r\n"
      "\r\n"
      "source:EventLog\n"
      "type: 4\n"
      "id: 8000177d\n"
      "time: 1970-01-01 00:00:00\n"
      "computer: BUERO-PC07\n");
  ASSERT_EQ(log.size(), 2U);
  EXPECT_EQ(log[0].recordNumber, 1U);
  EXPECT_EQ(log[0].sourceName, "Service Control Manager");
  EXPECT_EQ(log[0].eventType, 1);
  EXPECT_EQ(log[0].eventId, 0xC0001B7BU);
  EXPECT_EQ(log[0].timeGenerated, 1796592218U);
  EXPECT_EQ(log[0].timeWritten, 1796592218U);
  EXPECT_EQ(log[0].computerName, "BUERO-PC07");
  // blanks after the colon are skipped, the others kept; UTF-8 becomes 1252
  EXPECT_EQ(log[0].strings,
            (std::vector<std::string>{"KDX USB-Druckerdienst f\xFCr Etiketten ", ""}));
  EXPECT_EQ(log[1].recordNumber, 2U);
  EXPECT_EQ(log[1].sourceName, "EventLog");
  EXPECT_EQ(log[1].eventType, 4);
  EXPECT_EQ(log[1].eventId, 0x8000177DU);
  EXPECT_EQ(log[1].timeGenerated, 0U);
  EXPECT_TRUE(log[1].strings.empty());
}

TEST(EventLogTextTest, ReadsTypesByNameOrNumber) {
  const std::pair<const char*, std::uint16_t> cases[] = {
      {"success", 0},       {"ERROR", 1},          {"Warning", 2},  {"information", 4},
      {"audit success", 8}, {"Audit Failure", 16}, {"65535", 65535}};
  for (const auto& [name, type] : cases) {
    EXPECT_EQ(ParseEventLogText(WithLine(std::string("type: ") + name))[0].eventType, type) << name;
  }
}

TEST(EventLogTextTest, ReadsUtcTimesAcrossTheirRange) {
  const std::pair<const char*, std::uint32_t> cases[] = {{"1970-01-01 00:00:00", 0},
                                                         {"2024-02-29 12:00:00", 1709208000},
                                                         {"2106-02-07 06:28:15", 4294967295}};
  for (const auto& [time, seconds] : cases) {
    const std::string text =
        "source: S\ntype: error\nid: 1\ntime: " + std::string(time) + "\ncomputer: PC\n";
    EXPECT_EQ(ParseEventLogText(text)[0].timeGenerated, seconds) << time;
  }
}

// A record written in the text form gives the same EVENTLOGRECORD as the one Windows stored.
TEST(EventLogTextTest, YieldsTheRecordOfTheStoredLog) {
  const std::vector<EventLogEntry> stored = ReadEvtFile(test::ReadFileBytes(
      std::filesystem::path(KDX_SOURCE_DIR) / "tests" / "data" / "evt" / "evtparser_System.evt"));
  const std::vector<EventLogEntry> text = ParseEventLogText(
      "source: EventLog\ntype: information\nid: 80001779\ntime: 2026-01-11 13:35:50\n"
      "computer: MACHINENAME\nstring: 5.02.\nstring: 3790\nstring: Service Pack 2\n"
      "string: Multiprocessor Free\n");
  ASSERT_EQ(text.size(), 1U);
  EXPECT_EQ(AnsiEventRecord(text[0]), AnsiEventRecord(stored[0]));
}

TEST(EventLogTextTest, RefusesFaultsNamingTheLine) {
  const std::pair<std::string, std::string> cases[] = {
      // a line without colon
      {WithLine("type error"), "System.txt:2: expected a line \"key: value\""},
      // an unknown key
      {WithLine("category: 3"),
       "System.txt:2: expected one of the keys source, type, id, time, computer, string"},
      // a key twice
      {WithLine("source: T"), "System.txt:2: expected one \"source:\" line"},
      // unknown type names and numbers too large
      {WithLine("type: fatal"), "System.txt:2: expected an event type name or number"},
      {WithLine("type: 65536"), "System.txt:2: expected an event type name or number"},
      // ids of more than 8 digits or with other characters
      {WithLine("id: 0x123456789"), "System.txt:2: expected an event id of 1 to 8 hex digits"},
      {WithLine("id: 12G"), "System.txt:2: expected an event id of 1 to 8 hex digits"},
      // times outside 32 bits, impossible dates and other forms
      {WithLine("time: 2106-02-07 06:28:16"),
       "System.txt:2: expected a UTC time YYYY-MM-DD hh:mm:ss from 1970 to 2106"},
      {WithLine("time: 2023-02-29 00:00:00"),
       "System.txt:2: expected a UTC time YYYY-MM-DD hh:mm:ss from 1970 to 2106"},
      {WithLine("time: 2023-01-01 24:00:00"),
       "System.txt:2: expected a UTC time YYYY-MM-DD hh:mm:ss from 1970 to 2106"},
      {WithLine("time: 2023-01-01T00:00:00"),
       "System.txt:2: expected a UTC time YYYY-MM-DD hh:mm:ss from 1970 to 2106"},
      // a NUL inside a text
      {WithLine(std::string("string: a\0b", 11)), "System.txt:2: expected a text without NUL"},
      // a missing key, reported on the record's first line
      {"\n\nsource: S\ntype: error\nid: 1\ncomputer: PC\n",
       "System.txt:3: expected a \"time:\" line in this record"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ErrorOf(text), expected) << text;
}

}  // namespace
}  // namespace kdx
