#include "platform/formats/event_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/event_records.h"
#include "platform/formats/evt_file.h"
#include "platform/formats/format_error.h"
#include "platform/machine/machine_error.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;

const std::vector<EventLogEntry>& WrappedXpLog() {
  static const std::vector<EventLogEntry> log = ReadEvtFile(test::ReadFileBytes(
      fs::path(KDX_SOURCE_DIR) / "tests" / "data" / "evt" / "plaso_SysEvent.Evt"));
  return log;
}

/// The record numbers in one buffer, read as the event log export reads them.
std::vector<std::uint32_t> NumbersIn(const std::string& buffer) {
  std::vector<std::uint32_t> numbers;
  EventRecordWalker walker(buffer);
  while (const std::optional<EventRecord> record = walker.Next()) {
    numbers.push_back(record->recordNumber);
  }
  return numbers;
}

TEST(BackwardsEventLogReaderTest, ReadsEveryRecordNewestFirstAcrossRefills) {
  const std::vector<EventLogEntry>& log = WrappedXpLog();
  ASSERT_EQ(log.size(), 6063U);
  BackwardsEventLogReader reader(log);
  std::vector<std::uint32_t> numbers;
  EventLogRead read;
  while ((read = reader.Read(2048)).error == kErrorSuccess) {
    ASSERT_LE(read.records.size(), 2048U);
    ASSERT_FALSE(read.records.empty());
    const std::vector<std::uint32_t> inBuffer = NumbersIn(read.records);
    numbers.insert(numbers.end(), inBuffer.begin(), inBuffer.end());
  }
  // every record fits 2,048 bytes in its 8-bit form, although 163 do not in UTF-16
  EXPECT_EQ(read.error, kErrorHandleEof);
  EXPECT_TRUE(read.records.empty());
  ASSERT_EQ(numbers.size(), 6063U);
  for (std::size_t i = 0; i < numbers.size(); ++i) ASSERT_EQ(numbers[i], 7454 - i);
  // the end stays the end
  EXPECT_EQ(reader.Read(2048).error, kErrorHandleEof);
}

TEST(BackwardsEventLogReaderTest, RecordThatDoesNotFitFailsTheCallAndStaysNext) {
  const std::vector<EventLogEntry>& log = WrappedXpLog();
  BackwardsEventLogReader reader(log);
  std::size_t read = 0;
  EventLogRead result;
  while ((result = reader.Read(1000)).error == kErrorSuccess)
    read += NumbersIn(result.records).size();
  ASSERT_EQ(result.error, kErrorInsufficientBuffer);
  EXPECT_TRUE(result.records.empty());
  const EventLogEntry& next = log[log.size() - 1 - read];
  EXPECT_EQ(result.bytesNeeded, AnsiEventRecord(next).size());
  EXPECT_GT(result.bytesNeeded, 1000U);
  // a larger buffer gets it
  const EventLogRead retry = reader.Read(result.bytesNeeded);
  ASSERT_EQ(retry.error, kErrorSuccess);
  EXPECT_EQ(NumbersIn(retry.records), std::vector<std::uint32_t>{next.recordNumber});
}

TEST(BackwardsEventLogReaderTest, EmptyLogEndsAtOnce) {
  const std::vector<EventLogEntry> log;
  BackwardsEventLogReader reader(log);
  const EventLogRead read = reader.Read(2048);
  EXPECT_EQ(read.error, kErrorHandleEof);
  EXPECT_TRUE(read.records.empty());
}

TEST(LoadEventLogTest, ChoosesTheReaderByExtension) {
  const std::string text =
      "source: S\ntype: error\nid: 1\ntime: 1970-01-01 00:00:01\ncomputer: PC\n";
  // any other extension is the text form
  EXPECT_EQ(LoadEventLog(text, "System.txt").size(), 1U);
  // .evt in any case is the binary form
  try {
    LoadEventLog(text, "System.EVT");
    FAIL() << "no error";
  } catch (const FormatError& error) {
    EXPECT_EQ(std::string(MachineError("System.EVT", error).what()),
              "System.EVT: expected an event log file (.evt): a 48-byte header with signature "
              "\"LfLe\" and version 1.1");
  }
}

}  // namespace
}  // namespace kdx
