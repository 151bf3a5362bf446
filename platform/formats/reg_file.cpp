#include "platform/formats/reg_file.h"

#include <array>

#include "platform/formats/format_error.h"
#include "platform/registry_roots.h"
#include "platform/text_encoding.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// dword: data and hex(type) codes are 32-bit numbers.
constexpr std::size_t kMaxHexDigits = 8;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Hex data is most of a .reg file's bytes: a table decodes its digits.
constexpr std::array<std::int8_t, 256> kHexDigitValues = [] {
  std::array<std::int8_t, 256> values{};
  values.fill(-1);
  for (int c = '0'; c <= '9'; ++c)
    values[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c) {
    const int upper = c - 'a' + 'A';
    values[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - 'a' + 10);
    values[static_cast<std::size_t>(upper)] = static_cast<std::int8_t>(c - 'a' + 10);
  }
  return values;
}();

int HexDigitValue(char c) { return kHexDigitValues[static_cast<unsigned char>(c)]; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualUpcased(text.substr(0, prefix.size()), prefix);
}

/// Reads 1 to maxDigits hex digits that make up all of text.
std::optional<std::uint32_t> HexNumber(std::string_view text, std::size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return value;
}

/// Hands out the lines of a text one by one, without their CR LF or LF, counting them.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t end = text_.find('\n', pos_);
    const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
    line = text_.substr(pos_, stop - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = stop + 1;
    ++number_;
    return true;
  }

  int Number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  int number_ = 0;
};

class RegFileParser {
 public:
  RegFileParser(std::string_view text, RegFileSink& sink) : reader_(text), sink_(sink) {}

  void Parse() {
    ExpectHeader();
    std::string_view line;
    while (reader_.Next(line)) ParseLine(TrimRight(TrimLeft(line)));
  }

 private:
  [[noreturn]] void Fail(const std::string& expected) const {
    throw FormatError(reader_.Number(), "expected " + expected);
  }

  void ExpectHeader() {
    std::string_view line;
    const bool read = reader_.Next(line);
    line = TrimRight(line);
    if (!read || (line != kHeader4 && line != kHeader5)) {
      throw FormatError(1, "expected the header REGEDIT4 or Windows Registry Editor Version 5.00");
    }
    wideStringData_ = line == kHeader5;
  }

  void ParseLine(std::string_view line) {
    if (line.empty() || line.front() == ';') return;
    if (line.front() == '[') return ParseKeyLine(line);
    if (line.front() == '"' || line.front() == '@') return ParseValueLine(line);
    Fail("a key line [ROOT\\path], a value line \"name\"=... or @=..., or a ; comment");
  }

  void ParseKeyLine(std::string_view line) {
    if (line.size() > 1 && line[1] == '-') {
      Fail("a key to add; deleting a key with [-...] is not supported");
    }
    if (line.size() < 2 || line.back() != ']') Fail("']' at the end of the key line");
    const std::string_view fullPath = line.substr(1, line.size() - 2);
    if (!RootKeyNamed(fullPath.substr(0, fullPath.find('\\')))) {
      Fail(
          "a root key HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_USERS, "
          "HKEY_CURRENT_CONFIG (or HKLM, HKCU, HKCR, HKU, HKCC)");
    }
    const std::optional<RegKeyPath> key = SplitKeyPath(fullPath);
    if (!key) Fail("key names between single backslashes");
    sink_.OnKey(*key);
    haveKey_ = true;
  }

  void ParseValueLine(std::string_view line) {
    if (!haveKey_) Fail("a key line [ROOT\\path] before the first value");
    std::string_view rest = ParseValueName(line);
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != '=') Fail("'=' after the value name");
    ParseData(TrimLeft(rest.substr(1)));
  }

  /// Reads "name" or @ into name_; returns the rest of the line.
  std::string_view ParseValueName(std::string_view line) {
    name_.clear();
    if (line.front() == '@') return line.substr(1);
    return ParseQuoted(line.substr(1), name_);
  }

  /// Unescapes text up to its closing quote into out; returns what follows the quote.
  std::string_view ParseQuoted(std::string_view text, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '"') return text.substr(i + 1);
      // Only \\ and \" are escapes; a lone backslash (a hand-written path) stays as written.
      if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
        out.push_back(text[++i]);
      } else {
        out.push_back(c);
      }
    }
    Fail("a closing quote");
  }

  void ParseData(std::string_view data) {
    if (!data.empty() && data.front() == '"') return ParseStringData(data);
    if (StartsWithNoCase(data, "dword:")) return ParseDwordData(data.substr(6));
    if (StartsWithNoCase(data, "hex:")) return ParseHexData(kRegBinary, data.substr(4));
    if (StartsWithNoCase(data, "hex(")) return ParseTypedHexData(data.substr(4));
    if (!data.empty() && data.front() == '-') {
      Fail("data; deleting a value with '-' is not supported");
    }
    Fail("data \"text\", dword:XXXXXXXX, hex:XX,... or hex(type):XX,...");
  }

  void ParseStringData(std::string_view data) {
    data_.clear();
    const std::string_view rest = ParseQuoted(data.substr(1), data_);
    if (!rest.empty()) Fail("the end of the line after the closing quote");
    // Windows keeps a REG_SZ with its terminating NUL, and so does its size.
    data_.push_back('\0');
    EmitValue(kRegSz);
  }

  void ParseDwordData(std::string_view digits) {
    const std::optional<std::uint32_t> value = HexNumber(digits, kMaxHexDigits);
    if (!value) Fail("1 to 8 hex digits after dword:");
    data_.clear();
    for (int shift = 0; shift < 32; shift += 8) {
      data_.push_back(static_cast<char>((*value >> shift) & 0xFF));
    }
    EmitValue(kRegDword);
  }

  void ParseTypedHexData(std::string_view text) {
    const std::size_t close = text.find(')');
    const std::optional<std::uint32_t> type = close == std::string_view::npos
                                                  ? std::nullopt
                                                  : HexNumber(text.substr(0, close), kMaxHexDigits);
    if (!type || close + 1 >= text.size() || text[close + 1] != ':') {
      Fail("hex(type): with a type code of 1 to 8 hex digits");
    }
    ParseHexData(*type, text.substr(close + 2));
  }

  void ParseHexData(std::uint32_t type, std::string_view list) {
    data_.clear();
    list = NextHexItem(list);
    if (!list.empty()) {
      while (true) {
        list = TakeHexPairs(list);
        list = ParseHexByte(list);
        list = TrimLeft(list);
        if (list.empty()) break;
        if (list.front() != ',') Fail("',' between hex bytes");
        list = NextHexItem(list.substr(1));
        if (list.empty()) Fail("a hex byte after ','");
      }
    }
    // Version 5 files hold the bytes of string types as UTF-16; the program reads them
    // through the ANSI calls, which hand out Windows-1252.
    if (wideStringData_ && (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz)) {
      data_ = Utf16LeToCp1252(data_);
    }
    EmitValue(type);
  }

  /// Skips blanks and follows a trailing backslash onto the next line; returns the text
  /// where the next hex byte should start (empty when the data ends here).
  std::string_view NextHexItem(std::string_view list) {
    list = TrimLeft(list);
    while (list == "\\") {
      if (!reader_.Next(list)) Fail("a continuation line after the trailing backslash");
      list = TrimRight(TrimLeft(list));
    }
    return list;
  }

  /// Takes the bytes written as "xx," that follow each other directly on one line, the common
  /// case, without the general steps; returns the text from the first byte it left.
  std::string_view TakeHexPairs(std::string_view list) {
    std::size_t pos = 0;
    while (pos + 3 < list.size() && list[pos + 2] == ',') {
      const int high = HexDigitValue(list[pos]);
      const int low = HexDigitValue(list[pos + 1]);
      if (high < 0 || low < 0 || HexDigitValue(list[pos + 3]) < 0) break;
      data_.push_back(static_cast<char>(high * 16 + low));
      pos += 3;
    }
    return list.substr(pos);
  }

  std::string_view ParseHexByte(std::string_view list) {
    std::size_t digits = 0;
    while (digits < list.size() && HexDigitValue(list[digits]) >= 0) ++digits;
    const bool delimited = digits == list.size() || IsBlank(list[digits]) || list[digits] == ',' ||
                           list[digits] == '\\';
    if (digits == 0 || digits > 2 || !delimited) Fail("a hex byte 00 to ff");
    int value = HexDigitValue(list[0]);
    if (digits == 2) value = value * 16 + HexDigitValue(list[1]);
    data_.push_back(static_cast<char>(value));
    return list.substr(digits);
  }

  void EmitValue(std::uint32_t type) { sink_.OnValue(name_, type, data_); }

  LineReader reader_;
  RegFileSink& sink_;
  bool haveKey_ = false;
  bool wideStringData_ = false;
  // Reused for every value so that loading does not allocate per line.
  std::string name_;
  std::string data_;
};

}  // namespace

std::optional<RegKeyPath> SplitKeyPath(std::string_view fullPath) {
  const std::size_t slash = fullPath.find('\\');
  const std::optional<RegKey> root = RootKeyNamed(fullPath.substr(0, slash));
  if (!root) return std::nullopt;
  if (slash == std::string_view::npos) return RegKeyPath{*root, {}};
  const std::string_view path = fullPath.substr(slash + 1);
  const bool emptyName = path.empty() || path.front() == '\\' || path.back() == '\\' ||
                         path.find("\\\\") != std::string_view::npos;
  if (emptyName) return std::nullopt;
  return RegKeyPath{*root, path};
}

std::string RegFileText(std::string_view bytes) {
  if (bytes.starts_with(kUtf16LeBom)) return Utf16LeToCp1252(bytes.substr(kUtf16LeBom.size()));
  if (bytes.starts_with(kUtf8Bom)) return Utf8ToCp1252(bytes.substr(kUtf8Bom.size()));
  return std::string(bytes);
}

void ParseRegFile(std::string_view bytes, RegFileSink& sink) {
  if (bytes.starts_with(kUtf16LeBom) || bytes.starts_with(kUtf8Bom)) {
    const std::string text = RegFileText(bytes);
    RegFileParser(text, sink).Parse();
  } else {
    // 1252 bytes are parsed where they lie; a copy of a large file would only cost time.
    RegFileParser(bytes, sink).Parse();
  }
}

}  // namespace kdx
