#include "platform/formats/event_log.h"

#include "platform/formats/event_log_text.h"
#include "platform/formats/evt_file.h"
#include "platform/little_endian.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

constexpr std::uint32_t kRecordSignature = 0x654C664C;  // "LfLe"
constexpr std::size_t kFixedPartSize = 56;

void AppendText(std::string& bytes, const std::string& text) {
  bytes.append(text);
  bytes.push_back('\0');
}

// The call pads with zeros up to the next multiple of 4, and by a whole 4 bytes where the
// record already ends on one, as the event log service does in its files.
void PadToDword(std::string& body) { body.append(4 - (kFixedPartSize + body.size()) % 4, '\0'); }

std::uint32_t OffsetOf(const std::string& body) {
  return static_cast<std::uint32_t>(kFixedPartSize + body.size());
}

}  // namespace

std::string AnsiEventRecord(const EventLogEntry& entry) {
  std::string body;
  AppendText(body, entry.sourceName);
  AppendText(body, entry.computerName);
  PadToDword(body);
  const std::uint32_t sidOffset = OffsetOf(body);
  body.append(entry.userSid);
  const std::uint32_t stringOffset = OffsetOf(body);
  for (const std::string& text : entry.strings) AppendText(body, text);
  const std::uint32_t dataOffset = OffsetOf(body);
  body.append(entry.data);
  PadToDword(body);
  const auto length = static_cast<std::uint32_t>(kFixedPartSize + body.size() + 4);

  std::string record;
  record.reserve(length);
  AppendLe32(record, length);
  AppendLe32(record, kRecordSignature);
  AppendLe32(record, entry.recordNumber);
  AppendLe32(record, entry.timeGenerated);
  AppendLe32(record, entry.timeWritten);
  AppendLe32(record, entry.eventId);
  AppendLe16(record, entry.eventType);
  AppendLe16(record, static_cast<std::uint16_t>(entry.strings.size()));
  AppendLe16(record, entry.eventCategory);
  AppendLe16(record, entry.reservedFlags);
  AppendLe32(record, entry.closingRecordNumber);
  AppendLe32(record, stringOffset);
  AppendLe32(record, static_cast<std::uint32_t>(entry.userSid.size()));
  AppendLe32(record, sidOffset);
  AppendLe32(record, static_cast<std::uint32_t>(entry.data.size()));
  AppendLe32(record, dataOffset);
  record.append(body);
  AppendLe32(record, length);
  return record;
}

EventLogRead BackwardsEventLogReader::Read(std::size_t bufferSize) {
  EventLogRead result;
  if (unread_ == 0) {
    result.error = kErrorHandleEof;
    return result;
  }
  while (unread_ > 0) {
    const std::string record = AnsiEventRecord(log_[unread_ - 1]);
    if (result.records.size() + record.size() > bufferSize) {
      if (result.records.empty()) {
        result.error = kErrorInsufficientBuffer;
        result.bytesNeeded = static_cast<std::uint32_t>(record.size());
      }
      break;
    }
    result.records.append(record);
    --unread_;
  }
  return result;
}

std::vector<EventLogEntry> LoadEventLog(std::string_view bytes, std::string_view fileName) {
  const bool isEvt =
      fileName.size() >= 4 && UpcaseAscii(fileName.substr(fileName.size() - 4)) == ".EVT";
  return isEvt ? ReadEvtFile(bytes) : ParseEventLogText(bytes);
}

}  // namespace kdx
