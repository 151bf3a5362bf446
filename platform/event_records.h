#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"

namespace kdx {

/// The fields of one EVENTLOGRECORD that the event log export uses, as ReadEventLogA returns
/// the record: texts are 8-bit, in the system code page.
struct EventRecord {
  /// Bytes of the record; the next record starts this far on.
  std::uint32_t length = 0;
  std::uint32_t recordNumber = 0;
  /// Seconds since 1 January 1970, UTC.
  std::uint32_t timeGenerated = 0;
  /// The full 32-bit message identifier.
  std::uint32_t eventId = 0;
  std::uint16_t eventType = 0;
  /// The text after the record's fixed 56-byte part.
  std::string sourceName;
  /// NumStrings texts taken one after the other from StringOffset, in record order.
  std::vector<std::string> strings;
};

/// A record of a ReadEventLogA buffer that cannot be read without leaving the record or the
/// buffer. The message names the record's offset in the buffer and the field at fault, for
/// the export's error row.
class EventRecordError : public KdxError {
 public:
  using KdxError::KdxError;
};

/// Walks the records that one ReadEventLogA call put into a buffer, in buffer order, and
/// never reads outside the buffer or outside the record it reads. A record is malformed when
/// the buffer ends inside its fixed part; when its Length is below 56 (zero included) or
/// reaches past the buffer; when its source name has no NUL inside the record; when
/// StringOffset lies outside 56..Length or DataOffset outside StringOffset..Length; or when
/// one of its NumStrings texts has no NUL before DataOffset.
///
/// A collector turns each record into rows until Next() gives nothing, and turns an
/// EventRecordError into its error row and stops: the records before the malformed one have
/// been handed out already.
class EventRecordWalker {
 public:
  /// bytes: the part of the buffer that the call reported as read (it is not copied and must
  /// outlive the walker).
  explicit EventRecordWalker(std::string_view bytes) : bytes_(bytes) {}

  /// The next record, or nothing after the last one. Throws EventRecordError at a malformed
  /// record and stays there: a further call throws the same error again.
  std::optional<EventRecord> Next();

 private:
  std::string_view bytes_;
  std::size_t offset_ = 0;
};

}  // namespace kdx
