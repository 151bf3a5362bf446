#include "platform/formats/event_log_text.h"

#include <array>
#include <limits>
#include <optional>

#include "platform/formats/format_error.h"
#include "platform/text_encoding.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct TypeName {
  std::string_view name;
  std::uint16_t type;
};

constexpr std::array<TypeName, 6> kTypeNames = {{
    {"SUCCESS", 0},
    {"ERROR", 1},
    {"WARNING", 2},
    {"INFORMATION", 4},
    {"AUDIT SUCCESS", 8},
    {"AUDIT FAILURE", 16},
}};

// The keys of a record, in the order of the bits that mark them seen.
enum class Field { kSource, kType, kId, kTime, kComputer };
constexpr std::array<std::string_view, 5> kFieldKeys = {"source", "type", "id", "time", "computer"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

/// A decimal number of exactly the given digits.
std::optional<std::uint32_t> Decimal(std::string_view digits) {
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : digits) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return value;
}

std::optional<std::uint16_t> EventType(std::string_view text) {
  for (const TypeName& name : kTypeNames) {
    if (UpcaseAscii(text) == name.name) return name.type;
  }
  const std::optional<std::uint32_t> number = Decimal(text);
  if (!number || *number > std::numeric_limits<std::uint16_t>::max()) return std::nullopt;
  return static_cast<std::uint16_t>(*number);
}

std::optional<std::uint32_t> HexId(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text.remove_prefix(2);
  if (text.empty() || text.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : text) {
    const std::string_view digits = "0123456789ABCDEF";
    const std::size_t digit = digits.find(UpcaseAnsiChar(c));
    if (digit == std::string_view::npos) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return value;
}

bool IsLeapYear(std::uint32_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::uint32_t DaysInMonth(std::uint32_t year, std::uint32_t month) {
  constexpr std::array<std::uint32_t, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

/// "YYYY-MM-DD hh:mm:ss" in UTC as seconds since 1970, if it fits 32 bits.
std::optional<std::uint32_t> UtcSeconds(std::string_view text) {
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':') {
    return std::nullopt;
  }
  const auto year = Decimal(text.substr(0, 4));
  const auto month = Decimal(text.substr(5, 2));
  const auto day = Decimal(text.substr(8, 2));
  const auto hour = Decimal(text.substr(11, 2));
  const auto minute = Decimal(text.substr(14, 2));
  const auto second = Decimal(text.substr(17, 2));
  if (!year || !month || !day || !hour || !minute || !second || *year < 1970 || *month < 1 ||
      *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month) || *hour > 23 || *minute > 59 ||
      *second > 59) {
    return std::nullopt;
  }
  std::uint64_t days = *day - 1;
  for (std::uint32_t y = 1970; y < *year; ++y) days += IsLeapYear(y) ? 366 : 365;
  for (std::uint32_t m = 1; m < *month; ++m) days += DaysInMonth(*year, m);
  const std::uint64_t seconds =
      ((days * 24 + std::uint64_t{*hour}) * 60 + std::uint64_t{*minute}) * 60 + *second;
  if (seconds > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<std::uint32_t>(seconds);
}

class EventLogTextParser {
 public:
  explicit EventLogTextParser(std::string_view text) : text_(text) {}

  std::vector<EventLogEntry> Parse() {
    if (text_.substr(0, kUtf8Bom.size()) == kUtf8Bom) text_.remove_prefix(kUtf8Bom.size());
    std::size_t pos = 0;
    while (pos < text_.size()) {
      const std::size_t end = std::min(text_.find('\n', pos), text_.size());
      std::string_view line = text_.substr(pos, end - pos);
      pos = end + 1;
      ++lineNumber_;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (Trim(line).empty()) {
        FinishRecord();
      } else if (line.front() != '#') {
        ParseLine(line);
      }
    }
    FinishRecord();
    return std::move(entries_);
  }

 private:
  [[noreturn]] void Fail(int line, const std::string& expected) const {
    throw FormatError(line, "expected " + expected);
  }

  // A NUL would end the text early in the record, where ReadEventLogA's reader looks for it.
  std::string Text(std::string_view value) const {
    std::string text = Utf8ToCp1252(value);
    if (text.find('\0') != std::string::npos) Fail(lineNumber_, "a text without NUL");
    return text;
  }

  void ParseLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) Fail(lineNumber_, "a line \"key: value\"");
    const std::string_view key = Trim(line.substr(0, colon));
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
    if (!record_) {
      record_.emplace();
      seen_ = 0;
      firstLine_ = lineNumber_;
    }
    if (key == "string") {
      if (record_->strings.size() == std::numeric_limits<std::uint16_t>::max()) {
        Fail(lineNumber_, "at most 65535 insertion strings in a record");
      }
      record_->strings.push_back(Text(value));
      return;
    }
    SetField(key, value);
  }

  void SetField(std::string_view key, std::string_view value) {
    std::size_t index = 0;
    while (index < kFieldKeys.size() && kFieldKeys[index] != key) ++index;
    if (index == kFieldKeys.size()) {
      Fail(lineNumber_, "one of the keys source, type, id, time, computer, string");
    }
    if ((seen_ & (1U << index)) != 0) Fail(lineNumber_, "one \"" + std::string(key) + ":\" line");
    seen_ |= 1U << index;
    switch (static_cast<Field>(index)) {
      case Field::kSource:
        record_->sourceName = Text(value);
        break;
      case Field::kType:
        record_->eventType = Checked(EventType(value), "an event type name or number");
        break;
      case Field::kId:
        record_->eventId = Checked(HexId(value), "an event id of 1 to 8 hex digits");
        break;
      case Field::kTime:
        record_->timeGenerated =
            Checked(UtcSeconds(value), "a UTC time YYYY-MM-DD hh:mm:ss from 1970 to 2106");
        break;
      case Field::kComputer:
        record_->computerName = Text(value);
        break;
    }
  }

  template <typename T>
  T Checked(const std::optional<T>& value, const std::string& expected) const {
    if (!value) Fail(lineNumber_, expected);
    return *value;
  }

  void FinishRecord() {
    if (!record_) return;
    for (std::size_t index = 0; index < kFieldKeys.size(); ++index) {
      if ((seen_ & (1U << index)) == 0) {
        Fail(firstLine_, "a \"" + std::string(kFieldKeys[index]) + ":\" line in this record");
      }
    }
    record_->recordNumber = static_cast<std::uint32_t>(entries_.size() + 1);
    record_->timeWritten = record_->timeGenerated;
    entries_.push_back(std::move(*record_));
    record_.reset();
  }

  std::string_view text_;
  int lineNumber_ = 0;
  std::vector<EventLogEntry> entries_;
  std::optional<EventLogEntry> record_;
  unsigned seen_ = 0;
  int firstLine_ = 0;
};

}  // namespace

std::vector<EventLogEntry> ParseEventLogText(std::string_view bytes) {
  return EventLogTextParser(bytes).Parse();
}

}  // namespace kdx
