#include "platform/event_records.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/formats/event_log.h"
#include "platform/little_endian.h"

namespace kdx {
namespace {

constexpr std::size_t kLength = 0;
constexpr std::size_t kNumStrings = 26;
constexpr std::size_t kStringOffset = 36;
constexpr std::size_t kDataOffset = 52;

/// A record laid out as ReadEventLogA returns it: computer "PC", no SID, two data bytes.
std::string Record(std::uint32_t number, std::uint32_t eventId, std::uint16_t type,
                   const std::string& source, const std::vector<std::string>& strings) {
  EventLogEntry entry;
  entry.recordNumber = number;
  entry.timeGenerated = 1'700'000'000 + number;
  entry.eventId = eventId;
  entry.eventType = type;
  entry.sourceName = source;
  entry.computerName = "PC";
  entry.strings = strings;
  entry.data = "\x01\x02";
  return AnsiEventRecord(entry);
}

void SetLe32(std::string& bytes, std::size_t at, std::uint32_t value) {
  std::string field;
  AppendLe32(field, value);
  bytes.replace(at, 4, field);
}

void SetLe16(std::string& bytes, std::size_t at, std::uint16_t value) {
  std::string field;
  AppendLe16(field, value);
  bytes.replace(at, 2, field);
}

const std::string& FirstRecord() {
  static const std::string record =
      Record(7, 0xC0001B7B, 1, "Service Control Manager", {"KDXUSB", "%%2"});
  return record;
}

/// Records of a buffer as "number|time|id|type|source|strings...".
std::vector<std::string> Walk(std::string_view buffer) {
  std::vector<std::string> lines;
  EventRecordWalker walker(buffer);
  while (const std::optional<EventRecord> record = walker.Next()) {
    char id[12];
    std::snprintf(id, sizeof id, "%08X", static_cast<unsigned>(record->eventId));
    std::string line = std::to_string(record->recordNumber) + "|" +
                       std::to_string(record->timeGenerated) + "|" + id + "|" +
                       std::to_string(record->eventType) + "|" + record->sourceName;
    for (const std::string& text : record->strings) line += "|" + text;
    lines.push_back(line + " (" + std::to_string(record->length) + ")");
  }
  return lines;
}

TEST(EventRecordWalkerTest, ReadsRecordsInBufferOrder) {
  const std::string second = Record(6, 0x8000177D, 4, "EventLog", {});
  EXPECT_EQ(Walk(FirstRecord() + second),
            (std::vector<std::string>{
                "7|1700000007|C0001B7B|1|Service Control Manager|KDXUSB|%%2 (" +
                    std::to_string(FirstRecord().size()) + ")",
                "6|1700000006|8000177D|4|EventLog (" + std::to_string(second.size()) + ")"}));
}

TEST(EventRecordWalkerTest, EmptyBufferHasNoRecords) { EXPECT_TRUE(Walk("").empty()); }

TEST(EventRecordWalkerTest, KeepsEmptyAndHigh8BitStrings) {
  // four empty insertion strings, as Server 2003 logs them, and Windows-1252 letters
  EXPECT_EQ(Walk(Record(2, 1, 4, "Gr\xFC\xDF", {"", "", "", "\xC4pfel"})),
            (std::vector<std::string>{"2|1700000002|00000001|4|Gr\xFC\xDF||||\xC4pfel (84)"}));
}

struct MalformedCase {
  const char* condition;
  std::function<void(std::string&)> damage;  // applied to the second record
  std::string message;                       // after "... bei Offset <first record's length>: "
};

class MalformedRecordTest : public testing::TestWithParam<MalformedCase> {};

// Every malformed second record gives the first record, then the error; the walker stays.
TEST_P(MalformedRecordTest, KeepsTheRecordsBeforeAndReportsTheFault) {
  std::string second = Record(6, 1, 4, "EventLog", {"a", "b"});
  GetParam().damage(second);
  const std::string buffer = FirstRecord() + second;
  EventRecordWalker walker(buffer);
  ASSERT_TRUE(walker.Next().has_value());
  const std::string expected = "Fehlerhafter Ereignisdatensatz bei Offset " +
                               std::to_string(FirstRecord().size()) + ": " + GetParam().message;
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      walker.Next();
      FAIL() << "no error";
    } catch (const EventRecordError& error) {
      EXPECT_EQ(error.what(), expected);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryField, MalformedRecordTest,
    testing::Values(
        MalformedCase{"buffer ends inside the fixed part", [](std::string& r) { r.resize(10); },
                      "nur 10 Bytes bis zum Ende des Puffers"},
        MalformedCase{"Length zero", [](std::string& r) { SetLe32(r, kLength, 0); },
                      "Length 0 ist kleiner als 56"},
        MalformedCase{"Length below the fixed part",
                      [](std::string& r) { SetLe32(r, kLength, 55); },
                      "Length 55 ist kleiner als 56"},
        MalformedCase{"Length past the buffer",
                      [](std::string& r) { SetLe32(r, kLength, 0xFFFFFFFF); },
                      "Length 4294967295 reicht \xFC"
                      "ber das Ende des Puffers (188 Bytes)"},
        MalformedCase{"source name without NUL",
                      [](std::string& r) { r.replace(56, r.size() - 56, r.size() - 56, 'x'); },
                      "der Quellname endet nicht im Datensatz"},
        MalformedCase{"StringOffset inside the fixed part",
                      [](std::string& r) { SetLe32(r, kStringOffset, 55); },
                      "StringOffset 55 liegt nicht im Datensatz (Length 84)"},
        MalformedCase{"StringOffset past the record",
                      [](std::string& r) { SetLe32(r, kStringOffset, 85); },
                      "StringOffset 85 liegt nicht im Datensatz (Length 84)"},
        MalformedCase{"DataOffset before StringOffset",
                      [](std::string& r) { SetLe32(r, kDataOffset, 71); },
                      "DataOffset 71 liegt nicht zwischen StringOffset 72 und dem Ende des "
                      "Datensatzes (Length 84)"},
        MalformedCase{"DataOffset past the record",
                      [](std::string& r) { SetLe32(r, kDataOffset, 0x80000000); },
                      "DataOffset 2147483648 liegt nicht zwischen StringOffset 72 und dem Ende "
                      "des Datensatzes (Length 84)"},
        MalformedCase{"more strings than the string area holds",
                      [](std::string& r) { SetLe16(r, kNumStrings, 3); },
                      "Text 3 von 3 endet nicht vor DataOffset 76"},
        MalformedCase{"DataOffset inside the last string",
                      [](std::string& r) { SetLe32(r, kDataOffset, 75); },
                      "Text 2 von 2 endet nicht vor DataOffset 75"}),
    [](const testing::TestParamInfo<MalformedCase>& param) {
      return "Case" + std::to_string(param.index);
    });

}  // namespace
}  // namespace kdx
