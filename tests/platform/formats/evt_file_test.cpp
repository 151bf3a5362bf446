#include "platform/formats/evt_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/formats/format_error.h"
#include "platform/little_endian.h"
#include "platform/machine/machine_error.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kHeaderSize = 0x30;
constexpr std::uint32_t kDirty = 0x1;

std::string Utf16(std::u16string_view text) {
  std::string bytes;
  for (const char16_t unit : text) AppendLe16(bytes, unit);
  AppendLe16(bytes, 0);
  return bytes;
}

void SetLe32(std::string& bytes, std::size_t at, std::uint32_t value) {
  std::string field;
  AppendLe32(field, value);
  bytes.replace(at, 4, field);
}

/// A record as the event log service stores it: UTF-16 texts, computer "PC", the SID right
/// after the names, 1 to 4 bytes of padding.
std::string StoredRecord(std::uint32_t number, std::u16string_view source,
                         const std::vector<std::u16string_view>& strings,
                         const std::string& sid = {}, const std::string& data = {}) {
  const std::string names = Utf16(source) + Utf16(u"PC");
  const auto sidOffset = static_cast<std::uint32_t>(56 + names.size());
  const auto stringOffset = static_cast<std::uint32_t>(sidOffset + sid.size());
  std::string texts;
  for (const std::u16string_view text : strings) texts += Utf16(text);
  const auto dataOffset = static_cast<std::uint32_t>(stringOffset + texts.size());
  std::string body = names + sid + texts + data;
  body.append(4 - (56 + body.size()) % 4, '\0');
  const auto length = static_cast<std::uint32_t>(56 + body.size() + 4);
  std::string record;
  for (const std::uint32_t value :
       {length, 0x654C664CU, number, 1000U + number, 1000U + number, 0x40000000U + number}) {
    AppendLe32(record, value);
  }
  AppendLe16(record, 4);
  AppendLe16(record, static_cast<std::uint16_t>(strings.size()));
  AppendLe32(record, 0);  // category and flags
  for (const std::uint32_t value :
       {0U, stringOffset, static_cast<std::uint32_t>(sid.size()), sidOffset,
        static_cast<std::uint32_t>(data.size()), dataOffset}) {
    AppendLe32(record, value);
  }
  record += body;
  AppendLe32(record, length);
  return record;
}

/// Writes bytes into the ring after the header, wrapping at the end of file; returns the
/// offset after them.
std::size_t WriteRing(std::string& file, std::size_t offset, std::string_view bytes) {
  for (const char c : bytes) {
    file[offset++] = c;
    if (offset == file.size()) offset = kHeaderSize;
  }
  return offset;
}

/// A log file of fileSize bytes with the records from offset first on and the end-of-file
/// record after them, the header naming both.
std::string EvtFile(std::size_t fileSize, std::size_t first,
                    const std::vector<std::string>& records) {
  std::string file(fileSize, '\0');
  std::size_t offset = first;
  for (const std::string& record : records) offset = WriteRing(file, offset, record);
  const auto count = static_cast<std::uint32_t>(records.size());
  std::string eof;
  for (const std::uint32_t value : {0x28U, 0x11111111U, 0x22222222U, 0x33333333U, 0x44444444U,
                                    static_cast<std::uint32_t>(first),
                                    static_cast<std::uint32_t>(offset), count + 1, 1U, 0x28U}) {
    AppendLe32(eof, value);
  }
  WriteRing(file, offset, eof);
  std::string header;
  for (const std::uint32_t value : {0x30U, 0x654C664CU, 1U, 1U, static_cast<std::uint32_t>(first),
                                    static_cast<std::uint32_t>(offset), count + 1, 1U,
                                    static_cast<std::uint32_t>(fileSize), 0U, 0U, 0x30U}) {
    AppendLe32(header, value);
  }
  file.replace(0, header.size(), header);
  return file;
}

std::vector<EventLogEntry> ReadCorpus(const std::string& name) {
  const fs::path path = fs::path(KDX_SOURCE_DIR) / "tests" / "data" / "evt" / name;
  const std::string bytes = test::ReadFileBytes(path);
  EXPECT_FALSE(bytes.empty()) << path;
  return ReadEvtFile(bytes);
}

/// "number source|string|string..." of an entry.
std::string Summary(const EventLogEntry& entry) {
  std::string text = std::to_string(entry.recordNumber) + " " + entry.sourceName;
  for (const std::string& string : entry.strings) text += "|" + string;
  return text;
}

std::string ErrorOf(const std::string& bytes) {
  try {
    ReadEvtFile(bytes);
  } catch (const FormatError& error) {
    return MachineError("System.evt", error).what();
  }
  return "no error";
}

struct CorpusLog {
  const char* file;
  std::size_t count;
  std::uint32_t oldest;
  std::uint32_t newest;
};

class CorpusLogTest : public testing::TestWithParam<CorpusLog> {};

// The live records run without a gap from the oldest to the newest that the end-of-file
// record names; all three headers are dirty and name fewer.
TEST_P(CorpusLogTest, ReadsEveryLiveRecordOldestFirst) {
  const std::vector<EventLogEntry> log = ReadCorpus(GetParam().file);
  ASSERT_EQ(log.size(), GetParam().count);
  for (std::size_t i = 0; i < log.size(); ++i) {
    ASSERT_EQ(log[i].recordNumber, GetParam().oldest + i);
  }
  EXPECT_EQ(log.back().recordNumber, GetParam().newest);
}

INSTANTIATE_TEST_SUITE_P(ServerAndWrappedXp, CorpusLogTest,
                         testing::Values(CorpusLog{"evtparser_System.evt", 95, 1, 95},
                                         CorpusLog{"evtparser_Application.evt", 67, 1, 67},
                                         CorpusLog{"plaso_SysEvent.Evt", 6063, 1392, 7454}));

TEST(EvtFileTest, ReadsTheFieldsOfARecord) {
  const std::vector<EventLogEntry> log = ReadCorpus("evtparser_System.evt");
  const EventLogEntry& first = log[0];
  EXPECT_EQ(Summary(first), "1 EventLog|5.02.|3790|Service Pack 2|Multiprocessor Free");
  EXPECT_EQ(first.computerName, "MACHINENAME");
  EXPECT_EQ(first.eventId, 0x80001779U);
  EXPECT_EQ(first.eventType, 4);
  EXPECT_EQ(first.timeGenerated, 0x6963A736U);
  EXPECT_EQ(first.timeWritten, 0x6963A736U);
  EXPECT_TRUE(first.userSid.empty());
  EXPECT_TRUE(first.data.empty());
  // four empty strings before three others, one with a trailing blank
  EXPECT_EQ(Summary(log[1]), "2 EventLog|||||20|0|0 ");
}

TEST(EvtFileTest, WrappedLogStartsAtTheOldestRecordAndLeavesOverwrittenOnesOut) {
  const std::vector<EventLogEntry> log = ReadCorpus("plaso_SysEvent.Evt");
  const EventLogEntry& oldest = log.front();
  EXPECT_EQ(Summary(oldest),
            "1392 LSASRV|cifs/CONTROLLER|\"The system detected a possible attempt to compromise "
            "security. Please ensure that you can contact the server that authenticated "
            "you.\r\n (0xc0000388)\"");
  EXPECT_EQ(oldest.eventType, 2);
  EXPECT_EQ(oldest.eventId, 0x8000A001U);
  EXPECT_EQ(oldest.eventCategory, 3);
  EXPECT_EQ(oldest.computerName, "WKS-WINXP32BIT");
  EXPECT_EQ(Summary(log.back()),
            "7454 Service Control Manager|Google Update Service (gupdate)|stopped");
  // record 1572 starts 104 bytes before the end of the file and goes on after the header
  EXPECT_EQ(Summary(log[1572 - 1392]),
            "1572 LSASRV|cifs/CONTROLLER|Kerberos|\"There are currently no logon servers "
            "available to service the logon request.\r\n (0xc000005e)\"");
}

TEST(EvtFileTest, ConvertsTextsTo1252) {
  const std::string file = EvtFile(
      0x400, kHeaderSize, {StoredRecord(1, u"Gr\u00FC\u00DF", {u"\u20AC 5", u"\u4E2D\U0001F600"})});
  const std::vector<EventLogEntry> log = ReadEvtFile(file);
  ASSERT_EQ(log.size(), 1U);
  // the euro sign has a 1252 byte; a CJK character and a surrogate pair do not
  EXPECT_EQ(Summary(log[0]), "1 Gr\xFC\xDF|\x80 5|??");
}

TEST(EvtFileTest, EmptyLogHasNoRecords) {
  EXPECT_TRUE(ReadEvtFile(EvtFile(0x100, kHeaderSize, {})).empty());
}

TEST(EvtFileTest, SkipsTheFillAtTheEndOfTheRingAndGoesOnAfterTheHeader) {
  const std::string first = StoredRecord(1, u"A", {u"x"});
  std::string fill;
  for (int i = 0; i < 8; ++i) AppendLe32(fill, 0x27);
  // the first record leaves 32 bytes before the end of the file, too few for a record
  const std::string file =
      EvtFile(0x200, 0x200 - fill.size() - first.size(), {first, fill, StoredRecord(2, u"B", {})});
  const std::vector<EventLogEntry> log = ReadEvtFile(file);
  ASSERT_EQ(log.size(), 2U);
  EXPECT_EQ(Summary(log[0]), "1 A|x");
  EXPECT_EQ(Summary(log[1]), "2 B");
}

TEST(EvtFileTest, DirtyHeaderFindsTheEndOfFileRecordAfterWhereItPoints) {
  const std::vector<std::string> records = {StoredRecord(1, u"A", {}), StoredRecord(2, u"B", {})};
  std::string file = EvtFile(0x400, kHeaderSize, records);
  // the header was last written after the first record
  SetLe32(file, 20, static_cast<std::uint32_t>(kHeaderSize + records[0].size()));
  SetLe32(file, 36, kDirty);
  EXPECT_EQ(ReadEvtFile(file).size(), 2U);
  // without the dirty flag the header's word is taken and found wrong
  SetLe32(file, 36, 0);
  EXPECT_EQ(ErrorOf(file),
            "System.evt: expected the end-of-file record at 0x78, where the header puts it");
}

TEST(EvtFileTest, DirtyHeaderFindsAnEndOfFileRecordThatWraps) {
  const std::string record = StoredRecord(1, u"A", {u"wrapped"});
  // the record ends 0x14 bytes before the end: the end-of-file record continues after the header
  const std::size_t fileSize = 0x200;
  const std::size_t first = fileSize - 0x14 - record.size();
  std::string file = EvtFile(fileSize, first, {record});
  SetLe32(file, 20, static_cast<std::uint32_t>(first));
  SetLe32(file, 36, kDirty);
  const std::vector<EventLogEntry> log = ReadEvtFile(file);
  ASSERT_EQ(log.size(), 1U);
  EXPECT_EQ(Summary(log[0]), "1 A|wrapped");
}

// A record that Windows XP stored, laid out as ReadEventLogA hands it out: 8-bit names, 4 zero
// bytes to the SID offset (80 is a multiple of 4 already), 2 after the data.
TEST(EvtFileTest, GivesTheAnsiLayoutOfAStoredRecord) {
  const fs::path path =
      fs::path(KDX_SOURCE_DIR) / "tests" / "data" / "evt" / "libevt_event_record.1";
  const std::string file = EvtFile(0x200, kHeaderSize, {test::ReadFileBytes(path)});
  const std::vector<EventLogEntry> log = ReadEvtFile(file);
  ASSERT_EQ(log.size(), 1U);
  const std::string expected(
      "\x6C\0\0\0LfLe\x01\0\0\0\x79\x42\xDB\x4C\x79\x42\xDB\x4C\xE8\x03\0\x40"
      "\x04\0\x02\0\0\0\0\0\0\0\0\0\x54\0\0\0\0\0\0\0\x54\0\0\0\x04\0\0\0\x62\0\0\0"
      "LoadPerf\0WKS-WINXP32BIT\0\0\0\0\0RSVP\0QoS RSVP\0\x0C\x14\0\0\0\0\x6C\0\0\0",
      108);
  EXPECT_EQ(AnsiEventRecord(log[0]), expected);
}

TEST(EvtFileTest, RefusesFilesThatAreNotEventLogs) {
  const std::string expected =
      "System.evt: expected an event log file (.evt): a 48-byte header with signature "
      "\"LfLe\" and version 1.1";
  const std::string valid = EvtFile(0x100, kHeaderSize, {});
  // empty file
  EXPECT_EQ(ErrorOf(""), expected);
  // a text file
  EXPECT_EQ(ErrorOf("source: EventLog\ntype: error\n" + std::string(200, ' ')), expected);
  // a header without room for an end-of-file record
  EXPECT_EQ(ErrorOf(valid.substr(0, 0x50)), expected);
  // another signature, another version, another header size at its end
  for (const std::size_t field : {4U, 8U, 12U, 44U}) {
    std::string file = valid;
    SetLe32(file, field, 2);
    EXPECT_EQ(ErrorOf(file), expected) << "field at " << field;
  }
}

struct DamagedCase {
  const char* condition;
  std::function<void(std::string&)> damage;  // on a file with one record at 0x30
  std::string expected;                      // after "System.evt: expected "
};

class DamagedRecordTest : public testing::TestWithParam<DamagedCase> {};

// A record that cannot be read refuses the file, naming the record's offset.
TEST_P(DamagedRecordTest, RefusesTheFile) {
  const std::string sid(12, '\x01');
  std::string file =
      EvtFile(0x400, kHeaderSize, {StoredRecord(1, u"Src", {u"a", u"b"}, sid, "data")});
  GetParam().damage(file);
  EXPECT_EQ(ErrorOf(file), "System.evt: expected " + GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    EveryField, DamagedRecordTest,
    testing::Values(
        DamagedCase{"signature", [](std::string& f) { f[0x34] = 'X'; },
                    "an event record (size, \"LfLe\") at 0x30"},
        DamagedCase{"size past the end-of-file record",
                    [](std::string& f) { SetLe32(f, 0x30, 0x200); },
                    "the event record at 0x30 to end before the end-of-file record at 0x94"},
        DamagedCase{"size copy at the end", [](std::string& f) { SetLe32(f, 0x90, 0x68); },
                    "the event record at 0x30 to hold its size again at its end"},
        DamagedCase{"source name without end",
                    [](std::string& f) { f.replace(0x68, 0x28, 0x28, 'x'); },
                    "the event record at 0x30 to hold its source name with its end inside the "
                    "record"},
        DamagedCase{"SID past the record", [](std::string& f) { SetLe32(f, 0x30 + 40, 0x61); },
                    "the event record at 0x30 to hold its user SID inside the record"},
        DamagedCase{"StringOffset past the record",
                    [](std::string& f) { SetLe32(f, 0x30 + 36, 0xFFFFFFFF); },
                    "the event record at 0x30 to hold its insertion string 1 with its end inside "
                    "the record"}),
    [](const testing::TestParamInfo<DamagedCase>& param) {
      return "Case" + std::to_string(param.index);
    });

}  // namespace
}  // namespace kdx
