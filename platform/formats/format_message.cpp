#include "platform/formats/format_message.h"

#include <algorithm>
#include <optional>

namespace kdx {

namespace {

// FormatMessage builds its text in a buffer of 64 KB of UTF-16 with its NUL.
constexpr std::size_t kMaxResultLength = 32767;
// The call copies a !format! into a printf format of 32 characters with "%" and NUL.
constexpr std::size_t kMaxFormatLength = 30;
constexpr std::string_view kCrLf = "\r\n";
// Size prefixes, the longer before the shorter that begins them.
constexpr std::string_view kSizePrefixes[] = {"I64", "I32", "I", "hh", "h", "ll", "l", "w", "L"};
constexpr std::string_view kArgumentConversions = "sScCdiouxXp";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

/// A C string's text: up to its first NUL.
std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

/// What a "!format!" makes of its argument.
struct InsertFormat {
  bool leftJustify = false;
  bool zeroPad = false;
  std::size_t width = 0;
  std::optional<std::size_t> precision;
  /// False when the format inserts no argument: it ends before its conversion letter or its
  /// letter is unknown.
  bool insertsArgument = false;
  /// Text that follows the insert: the rest after the conversion letter, or an unknown letter
  /// with the rest.
  std::string_view trailing;
};

/// Reads digits at format[pos] into a number that stops growing past the longest result.
std::size_t ReadNumber(std::string_view format, std::size_t& pos) {
  std::size_t value = 0;
  while (pos < format.size() && IsDigit(format[pos])) {
    value =
        std::min(value * 10 + static_cast<std::size_t>(format[pos++] - '0'), kMaxResultLength + 1);
  }
  return value;
}

void SkipSizePrefix(std::string_view format, std::size_t& pos) {
  for (const std::string_view prefix : kSizePrefixes) {
    if (format.substr(pos, prefix.size()) == prefix) {
      pos += prefix.size();
      return;
    }
  }
}

/// The format between the "!"s as printf reads it; nothing for a "*" width or precision.
std::optional<InsertFormat> ParseInsertFormat(std::string_view format) {
  if (format.find('*') != std::string_view::npos) return std::nullopt;
  InsertFormat result;
  std::size_t pos = 0;
  for (;
       pos < format.size() && std::string_view("-+ #0").find(format[pos]) != std::string_view::npos;
       ++pos) {
    result.leftJustify = result.leftJustify || format[pos] == '-';
    result.zeroPad = result.zeroPad || format[pos] == '0';
  }
  result.width = ReadNumber(format, pos);
  if (pos < format.size() && format[pos] == '.') result.precision = ReadNumber(format, ++pos);
  SkipSizePrefix(format, pos);
  if (pos == format.size()) return result;
  result.insertsArgument = kArgumentConversions.find(format[pos]) != std::string_view::npos;
  result.trailing = format.substr(result.insertsArgument ? pos + 1 : pos);
  return result;
}

/// The argument's text cut to the precision and padded to the width, then the trailing text.
std::string ApplyInsertFormat(const InsertFormat& format, std::string_view text) {
  std::string result;
  if (format.insertsArgument) {
    const std::string_view body = text.substr(0, format.precision.value_or(text.size()));
    const std::size_t padding = format.width > body.size() ? format.width - body.size() : 0;
    const char fill = format.zeroPad && !format.leftJustify ? '0' : ' ';
    if (!format.leftJustify) result.append(padding, fill);
    result.append(body);
    if (format.leftJustify) result.append(padding, ' ');
  }
  result.append(format.trailing);
  return result;
}

/// Formats a message; every step that fails the call makes it stop with nothing.
class MessageFormatter {
 public:
  MessageFormatter(std::string_view message, const std::vector<std::string>& arguments)
      : message_(UpToNul(message)), arguments_(arguments) {}

  std::optional<std::string> Format() {
    while (pos_ < message_.size()) {
      if (!FormatNext() || text_.size() > kMaxResultLength) return std::nullopt;
    }
    return text_;
  }

 private:
  bool FormatNext() {
    const char c = message_[pos_++];
    if (c == '%') return FormatEscape();
    if (c == '\r' && pos_ < message_.size() && message_[pos_] == '\n') ++pos_;
    if (c == '\r' || c == '\n') {
      text_.append(kCrLf);
    } else {
      text_.push_back(c);
    }
    return true;
  }

  bool FormatEscape() {
    if (pos_ == message_.size()) return false;
    const char c = message_[pos_++];
    switch (c) {
      case 'n':
        text_.append(kCrLf);
        return true;
      case 'r':
        text_.push_back('\r');
        return true;
      case 't':
        text_.push_back('\t');
        return true;
      case '0':
        pos_ = message_.size();
        return true;
      default:
        if (IsDigit(c)) return FormatInsert(pos_ - 2);
        text_.push_back(c);
        return true;
    }
  }

  /// The insert whose "%" stands at start; pos_ is past its first digit.
  bool FormatInsert(std::size_t start) {
    std::size_t number = static_cast<std::size_t>(message_[pos_ - 1] - '0');
    if (pos_ < message_.size() && IsDigit(message_[pos_])) {
      number = number * 10 + static_cast<std::size_t>(message_[pos_++] - '0');
    }
    const std::string_view placeholder = message_.substr(start, pos_ - start);
    const std::string_view argument =
        number <= arguments_.size() ? UpToNul(arguments_[number - 1]) : placeholder;
    if (pos_ == message_.size() || message_[pos_] != '!') {
      text_.append(argument);
      return true;
    }
    const std::size_t close = message_.find('!', pos_ + 1);
    if (close == std::string_view::npos || close - pos_ - 1 > kMaxFormatLength) return false;
    const std::optional<InsertFormat> format =
        ParseInsertFormat(message_.substr(pos_ + 1, close - pos_ - 1));
    pos_ = close + 1;
    if (!format) return false;
    text_.append(ApplyInsertFormat(*format, argument));
    return true;
  }

  std::string_view message_;
  const std::vector<std::string>& arguments_;
  std::size_t pos_ = 0;
  std::string text_;
};

}  // namespace

std::string ApplyMessageInserts(std::string_view message,
                                const std::vector<std::string>& arguments) {
  return MessageFormatter(message, arguments).Format().value_or(std::string());
}

}  // namespace kdx
