#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error_codes.h"

namespace kdx {

/// One record of a simulated event log, with its texts in Windows-1252 as ReadEventLogA
/// hands them out.
struct EventLogEntry {
  std::uint32_t recordNumber = 0;
  /// Seconds since 1 January 1970, UTC.
  std::uint32_t timeGenerated = 0;
  std::uint32_t timeWritten = 0;
  std::uint32_t eventId = 0;
  std::uint16_t eventType = 0;
  std::uint16_t eventCategory = 0;
  std::uint16_t reservedFlags = 0;
  std::uint32_t closingRecordNumber = 0;
  std::string sourceName;
  std::string computerName;
  /// The user's SID as stored; empty when the record has none.
  std::string userSid;
  std::vector<std::string> strings;
  std::string data;
};

/// The record as ReadEventLogA lays it out in the caller's buffer: the fixed 56-byte part
/// (Reserved holds "LfLe"), the source name and the computer name each with its NUL, 1 to 4
/// zero bytes up to the next multiple of 4, the SID (UserSidOffset points there also when
/// there is none), the insertion strings each with its NUL (StringOffset), the data
/// (DataOffset, right after the strings), 1 to 4 zero bytes up to the next multiple of 4, and
/// Length once more.
std::string AnsiEventRecord(const EventLogEntry& entry);

/// What one ReadEventLogA call gives.
struct EventLogRead {
  /// kErrorSuccess; kErrorHandleEof when every record has been read (the call fails with 0
  /// bytes); kErrorInsufficientBuffer when the next record does not fit the buffer.
  long error = kErrorSuccess;
  /// Whole records, newest first; empty unless error is kErrorSuccess.
  std::string records;
  /// With kErrorInsufficientBuffer: the Length of the record that did not fit.
  std::uint32_t bytesNeeded = 0;
};

/// ReadEventLogA(EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ, offset 0) on one open
/// log: each call fills the buffer with as many whole records as fit, newest first, and the
/// next call goes on where it stopped. A record is measured in its 8-bit form, the bytes it
/// takes in the buffer. A record that does not fit an empty buffer fails the call and stays
/// next: a call with a larger buffer gets it.
class BackwardsEventLogReader {
 public:
  /// log: the records oldest first, as the loaders give them; it is not copied and must
  /// outlive the reader.
  explicit BackwardsEventLogReader(std::span<const EventLogEntry> log)
      : log_(log), unread_(log.size()) {}

  /// One call with a buffer of bufferSize bytes.
  EventLogRead Read(std::size_t bufferSize);

 private:
  std::span<const EventLogEntry> log_;
  /// The records not handed out yet are log_[0, unread_).
  std::size_t unread_;
};

/// Loads an event log of a machine directory by its file name: a name ending in ".evt" (any
/// case) is read by ReadEvtFile, any other by ParseEventLogText. Records oldest first; throws
/// their FormatError.
std::vector<EventLogEntry> LoadEventLog(std::string_view bytes, std::string_view fileName);

}  // namespace kdx
