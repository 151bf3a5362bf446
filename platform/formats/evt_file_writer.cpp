#include "platform/formats/evt_file_writer.h"

#include <algorithm>
#include <string_view>

#include "platform/formats/evt_file.h"
#include "platform/little_endian.h"
#include "platform/text_encoding.h"

namespace kdx {

namespace {

void PutLe32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

std::string Utf16z(std::string_view ansi) {
  std::string bytes;
  for (const char16_t unit : AnsiToUtf16(ansi)) AppendLe16(bytes, unit);
  return bytes + std::string(2, '\0');
}

void PadTo4(std::string& bytes) { bytes.resize((bytes.size() + 3) / 4 * 4, '\0'); }

// One EVENTLOGRECORD of the A call in the file's UTF-16 form; empty when it is malformed.
std::string WideRecord(std::string_view record) {
  constexpr std::size_t kFixed = evt::kFixedPartSize;
  if (record.size() < kFixed + 4) return {};
  const auto strings = static_cast<std::uint16_t>(ReadLe32(record, 24) >> 16);
  const std::uint32_t stringOffset = ReadLe32(record, 36);
  const std::uint32_t sidLength = ReadLe32(record, 40);
  const std::uint32_t sidOffset = ReadLe32(record, 44);
  const std::uint32_t dataLength = ReadLe32(record, 48);
  const std::uint32_t dataOffset = ReadLe32(record, 52);
  if (stringOffset > record.size() || sidOffset > record.size() ||
      sidLength > record.size() - sidOffset || dataOffset > record.size() ||
      dataLength > record.size() - dataOffset) {
    return {};
  }
  const std::string_view names = record.substr(kFixed);
  const std::size_t sourceEnd = names.find('\0');
  const std::size_t computerEnd = names.find('\0', sourceEnd + 1);
  if (computerEnd == std::string_view::npos) return {};
  std::string wide(record.substr(0, kFixed));
  wide += Utf16z(names.substr(0, sourceEnd));
  wide += Utf16z(names.substr(sourceEnd + 1, computerEnd - sourceEnd - 1));
  PadTo4(wide);
  PutLe32(wide, 44, static_cast<std::uint32_t>(wide.size()));
  wide += record.substr(sidOffset, sidLength);
  PutLe32(wide, 36, static_cast<std::uint32_t>(wide.size()));
  std::string_view texts = record.substr(stringOffset);
  for (std::uint16_t i = 0; i < strings; ++i) {
    const std::size_t end = std::min(texts.find('\0'), texts.size());
    wide += Utf16z(texts.substr(0, end));
    texts.remove_prefix(std::min(end + 1, texts.size()));
  }
  PutLe32(wide, 52, static_cast<std::uint32_t>(wide.size()));
  wide += record.substr(dataOffset, dataLength);
  PadTo4(wide);
  const auto length = static_cast<std::uint32_t>(wide.size() + 4);
  PutLe32(wide, 0, length);
  PutLe32(wide, 4, evt::kSignature);
  wide.resize(length);
  PutLe32(wide, length - 4, length);
  return wide;
}

std::string Fields(std::initializer_list<std::uint32_t> values) {
  std::string bytes;
  for (const std::uint32_t value : values) AppendLe32(bytes, value);
  return bytes;
}

}  // namespace

std::string EvtFileOfRecords(const std::vector<std::string>& newestFirst) {
  constexpr auto kHeaderSize = static_cast<std::uint32_t>(evt::kHeaderSize);
  constexpr auto kEofSize = static_cast<std::uint32_t>(evt::kEofRecordSize);
  std::string body;
  std::uint32_t oldest = 1;
  std::uint32_t next = 1;
  for (auto record = newestFirst.rbegin(); record != newestFirst.rend(); ++record) {
    const std::string wide = WideRecord(*record);
    if (wide.empty()) continue;
    if (body.empty()) oldest = ReadLe32(wide, 8);
    next = ReadLe32(wide, 8) + 1;
    body += wide;
  }
  const auto end = static_cast<std::uint32_t>(kHeaderSize + body.size());
  const std::string header = Fields({kHeaderSize, evt::kSignature, 1, 1, kHeaderSize, end, next,
                                     oldest, end + kEofSize, 0, 0, kHeaderSize});
  const std::string eof = Fields({kEofSize}) + std::string(evt::kEofMarker) +
                          Fields({kHeaderSize, end, next, oldest, kEofSize});
  return header + body + eof;
}

}  // namespace kdx
