#include "platform/formats/evt_file.h"

#include <algorithm>
#include <charconv>

#include "platform/formats/format_error.h"
#include "platform/little_endian.h"
#include "platform/text_encoding.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

using evt::kEofMarker;
using evt::kEofRecordSize;
using evt::kFixedPartSize;
using evt::kHeaderSize;
using evt::kSignature;
constexpr std::uint32_t kDirtyFlag = 0x1;
// Two empty UTF-16 names and the closing size after the fixed part.
constexpr std::size_t kMinRecordSize = kFixedPartSize + 2 + 2 + 4;
// The service fills a tail of the file too short for a record's fixed part with this value
// and goes on after the header.
constexpr std::uint32_t kWrapFill = 0x27;

std::string Hex(std::size_t value) {
  char digits[20];
  const auto end = std::to_chars(digits, digits + sizeof digits, value, 16).ptr;
  return "0x" + UpcaseAscii(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

/// The data area after the header as a ring: whatever runs past the end of the file goes on
/// at the first byte after the header. Offsets are file offsets inside the area.
class RecordRing {
 public:
  explicit RecordRing(std::string_view file) : file_(file) {}

  std::size_t Size() const { return file_.size() - kHeaderSize; }
  bool Contains(std::size_t offset) const { return offset >= kHeaderSize && offset < file_.size(); }
  std::size_t BytesToEnd(std::size_t offset) const { return file_.size() - offset; }
  std::size_t Advance(std::size_t offset, std::size_t by) const {
    return kHeaderSize + (offset - kHeaderSize + by) % Size();
  }
  /// How far to go from one offset to reach another.
  std::size_t Distance(std::size_t from, std::size_t to) const {
    return (to + Size() - from) % Size();
  }

  /// size bytes from offset on, across the end of the file if need be; size <= Size().
  std::string Read(std::size_t offset, std::size_t size) const {
    std::string bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
      const std::size_t take = std::min(size - bytes.size(), BytesToEnd(offset));
      bytes.append(file_.substr(offset, take));
      offset = Advance(offset, take);
    }
    return bytes;
  }

 private:
  std::string_view file_;
};

/// The live part of the ring: from the oldest record to the end-of-file record.
struct LogExtent {
  std::size_t begin = 0;
  std::size_t end = 0;
};

/// Reads one stored record, each field checked to lie inside it, texts converted to 8 bits.
class RecordDecoder {
 public:
  RecordDecoder(std::string_view record, std::size_t offset)
      : record_(record), limit_(record.size() - 4), offset_(offset) {}

  EventLogEntry Decode() const {
    if (ReadLe32(record_, limit_) != record_.size()) Fail("its size again at its end");
    EventLogEntry entry;
    entry.recordNumber = ReadLe32(record_, 8);
    entry.timeGenerated = ReadLe32(record_, 12);
    entry.timeWritten = ReadLe32(record_, 16);
    entry.eventId = ReadLe32(record_, 20);
    entry.eventType = ReadLe16(record_, 24);
    entry.eventCategory = ReadLe16(record_, 28);
    entry.reservedFlags = ReadLe16(record_, 30);
    entry.closingRecordNumber = ReadLe32(record_, 32);
    std::size_t pos = kFixedPartSize;
    entry.sourceName = Utf16Text(pos, "source name");
    entry.computerName = Utf16Text(pos, "computer name");
    entry.userSid = Bytes(ReadLe32(record_, 44), ReadLe32(record_, 40), "user SID");
    pos = ReadLe32(record_, 36);
    const std::uint16_t count = ReadLe16(record_, 26);
    for (std::uint16_t i = 0; i < count; ++i) {
      entry.strings.push_back(Utf16Text(pos, "insertion string " + std::to_string(i + 1)));
    }
    entry.data = Bytes(ReadLe32(record_, 52), ReadLe32(record_, 48), "data");
    return entry;
  }

 private:
  [[noreturn]] void Fail(const std::string& part) const {
    throw FormatError(0, "expected the event record at " + Hex(offset_) + " to hold " + part);
  }

  /// The NUL-terminated UTF-16 text at pos, which moves past its NUL.
  std::string Utf16Text(std::size_t& pos, const std::string& name) const {
    const std::size_t start = pos;
    while (pos <= limit_ && limit_ - pos >= 2 && ReadLe16(record_, pos) != 0) pos += 2;
    if (pos > limit_ || limit_ - pos < 2) Fail("its " + name + " with its end inside the record");
    pos += 2;
    return Utf16LeToCp1252(record_.substr(start, pos - 2 - start));
  }

  /// size bytes at offset; the offset of an empty field does not matter.
  std::string Bytes(std::uint32_t offset, std::uint32_t size, const std::string& name) const {
    if (size == 0) return {};
    if (offset > limit_ || size > limit_ - offset) Fail("its " + name + " inside the record");
    return std::string(record_.substr(offset, size));
  }

  std::string_view record_;
  std::size_t limit_;
  std::size_t offset_;
};

class EvtFileReader {
 public:
  explicit EvtFileReader(std::string_view bytes) : bytes_(bytes), ring_(bytes) {}

  std::vector<EventLogEntry> Read() const {
    CheckHeader();
    const LogExtent extent = FindExtent();
    std::vector<EventLogEntry> entries;
    std::size_t offset = extent.begin;
    while (offset != extent.end) {
      if (IsWrapFill(offset)) {
        if (ring_.Distance(offset, extent.end) < ring_.BytesToEnd(offset)) {
          Fail("the end-of-file record at " + Hex(extent.end) +
               " after the records, not in the fill");
        }
        offset = kHeaderSize;
        continue;
      }
      const std::size_t length = RecordLength(offset, extent.end);
      const std::string record = ring_.Read(offset, length);
      entries.push_back(RecordDecoder(record, offset).Decode());
      offset = ring_.Advance(offset, length);
    }
    return entries;
  }

 private:
  [[noreturn]] void Fail(const std::string& expected) const {
    throw FormatError(0, "expected " + expected);
  }

  void CheckHeader() const {
    const bool valid = bytes_.size() >= kHeaderSize + kEofRecordSize &&
                       ReadLe32(bytes_, 0) == kHeaderSize && ReadLe32(bytes_, 4) == kSignature &&
                       ReadLe32(bytes_, 8) == 1 && ReadLe32(bytes_, 12) == 1 &&
                       ReadLe32(bytes_, 44) == kHeaderSize;
    if (!valid) {
      Fail("an event log file (.evt): a 48-byte header with signature \"LfLe\" and version 1.1");
    }
  }

  bool IsEofRecordAt(std::size_t offset) const {
    const std::string record = ring_.Read(offset, kEofRecordSize);
    return ReadLe32(record, 0) == kEofRecordSize && record.compare(4, 16, kEofMarker) == 0 &&
           ReadLe32(record, 36) == kEofRecordSize;
  }

  LogExtent FindExtent() const {
    const std::uint32_t headerEnd = ReadLe32(bytes_, 20);
    std::size_t eof = 0;
    if ((ReadLe32(bytes_, 36) & kDirtyFlag) != 0) {
      eof = FindEofRecordFrom(ring_.Contains(headerEnd) ? headerEnd : kHeaderSize);
    } else if (ring_.Contains(headerEnd) && IsEofRecordAt(headerEnd)) {
      eof = headerEnd;
    } else {
      Fail("the end-of-file record at " + Hex(headerEnd) + ", where the header puts it");
    }
    const std::uint32_t begin = ReadLe32(ring_.Read(eof, kEofRecordSize), 20);
    if (!ring_.Contains(begin)) {
      Fail("the end-of-file record at " + Hex(eof) + " to name an oldest record inside the file");
    }
    return {begin, eof};
  }

  /// The first end-of-file record in ring order from start, for a header that is stale.
  std::size_t FindEofRecordFrom(std::size_t start) const {
    std::vector<std::size_t> found;
    for (std::size_t at = bytes_.find(kEofMarker, kHeaderSize + 4); at != std::string_view::npos;
         at = bytes_.find(kEofMarker, at + 1)) {
      if (IsEofRecordAt(at - 4)) found.push_back(at - 4);
    }
    // An end-of-file record may itself wrap across the end of the file.
    for (std::size_t at = std::max(kHeaderSize, bytes_.size() - kEofRecordSize + 1);
         at < bytes_.size(); ++at) {
      if (IsEofRecordAt(at)) found.push_back(at);
    }
    if (found.empty()) Fail("an end-of-file record (11111111 22222222 33333333 44444444)");
    return *std::min_element(found.begin(), found.end(), [&](std::size_t a, std::size_t b) {
      return ring_.Distance(start, a) < ring_.Distance(start, b);
    });
  }

  bool IsWrapFill(std::size_t offset) const {
    return ring_.BytesToEnd(offset) < kFixedPartSize && ring_.BytesToEnd(offset) >= 4 &&
           ReadLe32(bytes_, offset) == kWrapFill;
  }

  /// The size of the record at offset, checked to end by the end-of-file record.
  std::size_t RecordLength(std::size_t offset, std::size_t end) const {
    const std::string start = ring_.Read(offset, 8);
    const std::uint32_t length = ReadLe32(start, 0);
    if (ReadLe32(start, 4) != kSignature || length < kMinRecordSize) {
      Fail("an event record (size, \"LfLe\") at " + Hex(offset));
    }
    if (length > ring_.Distance(offset, end)) {
      Fail("the event record at " + Hex(offset) + " to end before the end-of-file record at " +
           Hex(end));
    }
    return length;
  }

  std::string_view bytes_;
  RecordRing ring_;
};

}  // namespace

std::vector<EventLogEntry> ReadEvtFile(std::string_view bytes) {
  return EvtFileReader(bytes).Read();
}

}  // namespace kdx
