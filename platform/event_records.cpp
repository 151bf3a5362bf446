#include "platform/event_records.h"

#include "platform/little_endian.h"

namespace kdx {

namespace {

// Offsets of the fields in the fixed part of an EVENTLOGRECORD.
constexpr std::size_t kFixedPartSize = 56;
constexpr std::size_t kRecordNumberAt = 8;
constexpr std::size_t kTimeGeneratedAt = 12;
constexpr std::size_t kEventIdAt = 20;
constexpr std::size_t kEventTypeAt = 24;
constexpr std::size_t kNumStringsAt = 26;
constexpr std::size_t kStringOffsetAt = 36;
constexpr std::size_t kDataOffsetAt = 52;

[[noreturn]] void FailAt(std::size_t offset, const std::string& fault) {
  throw EventRecordError("Fehlerhafter Ereignisdatensatz bei Offset " + std::to_string(offset) +
                         ": " + fault);
}

/// Reads the fields of one record that is known to lie inside the buffer, each checked
/// against the record's bounds.
class RecordReader {
 public:
  RecordReader(std::string_view record, std::size_t offset) : record_(record), offset_(offset) {}

  EventRecord Read() const {
    EventRecord result;
    result.length = static_cast<std::uint32_t>(record_.size());
    result.recordNumber = ReadLe32(record_, kRecordNumberAt);
    result.timeGenerated = ReadLe32(record_, kTimeGeneratedAt);
    result.eventId = ReadLe32(record_, kEventIdAt);
    result.eventType = ReadLe16(record_, kEventTypeAt);
    result.sourceName = SourceName();
    result.strings = InsertionStrings();
    return result;
  }

 private:
  [[noreturn]] void Fail(const std::string& fault) const { FailAt(offset_, fault); }

  std::string SourceName() const {
    const std::size_t end = record_.find('\0', kFixedPartSize);
    if (end == std::string_view::npos) Fail("der Quellname endet nicht im Datensatz");
    return std::string(record_.substr(kFixedPartSize, end - kFixedPartSize));
  }

  std::vector<std::string> InsertionStrings() const {
    const std::uint32_t stringOffset = ReadLe32(record_, kStringOffsetAt);
    const std::uint32_t dataOffset = ReadLe32(record_, kDataOffsetAt);
    const std::uint16_t count = ReadLe16(record_, kNumStringsAt);
    if (stringOffset < kFixedPartSize || stringOffset > record_.size()) {
      Fail("StringOffset " + std::to_string(stringOffset) + " liegt nicht im Datensatz (Length " +
           std::to_string(record_.size()) + ")");
    }
    if (dataOffset < stringOffset || dataOffset > record_.size()) {
      Fail("DataOffset " + std::to_string(dataOffset) + " liegt nicht zwischen StringOffset " +
           std::to_string(stringOffset) + " und dem Ende des Datensatzes (Length " +
           std::to_string(record_.size()) + ")");
    }
    const std::string_view area = record_.substr(stringOffset, dataOffset - stringOffset);
    std::vector<std::string> strings;
    std::size_t start = 0;
    for (std::uint16_t i = 0; i < count; ++i) {
      const std::size_t end = area.find('\0', start);
      if (end == std::string_view::npos) {
        Fail("Text " + std::to_string(i + 1) + " von " + std::to_string(count) +
             " endet nicht vor DataOffset " + std::to_string(dataOffset));
      }
      strings.emplace_back(area.substr(start, end - start));
      start = end + 1;
    }
    return strings;
  }

  std::string_view record_;
  std::size_t offset_;
};

}  // namespace

std::optional<EventRecord> EventRecordWalker::Next() {
  if (offset_ == bytes_.size()) return std::nullopt;
  const std::string_view rest = bytes_.substr(offset_);
  if (rest.size() < kFixedPartSize) {
    FailAt(offset_, "nur " + std::to_string(rest.size()) + " Bytes bis zum Ende des Puffers");
  }
  const std::uint32_t length = ReadLe32(rest, 0);
  if (length < kFixedPartSize)
    FailAt(offset_, "Length " + std::to_string(length) + " ist kleiner als 56");
  if (length > rest.size()) {
    FailAt(offset_, "Length " + std::to_string(length) + " reicht über das Ende des Puffers (" +
                        std::to_string(bytes_.size()) + " Bytes)");
  }
  EventRecord record = RecordReader(rest.substr(0, length), offset_).Read();
  offset_ += length;
  return record;
}

}  // namespace kdx
