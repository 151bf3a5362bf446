#include "analysis/report_encoding.h"

#include <utility>

#include "platform/text_encoding.h"

namespace kdx::analysis {
namespace {

bool StartsWithBytes(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

// A report begins with "[KDXINFO": in UTF-16 without a byte-order mark every other byte of it
// is zero.
bool LooksLikeUtf16(std::string_view bytes, bool littleEndian) {
  if (bytes.size() < 4) return false;
  const std::size_t zero = littleEndian ? 1 : 0;
  return bytes[zero] == '\0' && bytes[zero + 2] == '\0' && bytes[1 - zero] == '[';
}

// Valid UTF-8 with at least one character beyond ASCII. A report as the program writes it
// fails at its first umlaut, so this costs next to nothing for the usual file.
bool IsUtf8BeyondAscii(std::string_view bytes) {
  bool beyondAscii = false;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
    } else if (lead >= 0xE0) {
      length = lead <= 0xEF ? 3 : 0;
    } else if (lead >= 0xC2) {
      length = 2;
    } else if (lead >= 0x80) {
      length = 0;
    }
    if (length == 0 || i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    beyondAscii = beyondAscii || length > 1;
    i += length;
  }
  return beyondAscii;
}

std::string Utf16BeToLe(std::string_view bytes) {
  std::string swapped(bytes.substr(0, bytes.size() & ~static_cast<std::size_t>(1)));
  for (std::size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
  return swapped;
}

std::u16string Utf16Units(std::string_view littleEndian) {
  std::u16string units;
  units.reserve(littleEndian.size() / 2);
  for (std::size_t i = 0; i + 1 < littleEndian.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(littleEndian[i]) |
                                          (static_cast<unsigned char>(littleEndian[i + 1]) << 8)));
  }
  return units;
}

DecodedReport FromUtf16Le(std::string_view littleEndian, ReportEncoding encoding) {
  DecodedReport decoded;
  decoded.encoding = encoding;
  decoded.bytes = Utf16LeToCp1252(littleEndian);
  decoded.lossless =
      littleEndian.size() % 2 == 0 && AnsiToUtf16(decoded.bytes) == Utf16Units(littleEndian);
  return decoded;
}

}  // namespace

DecodedReport DecodeReport(std::string bytes) {
  const std::string_view view = bytes;
  if (StartsWithBytes(view, "\xEF\xBB\xBF")) {
    DecodedReport decoded;
    decoded.encoding = ReportEncoding::Utf8Bom;
    const std::string_view text = view.substr(3);
    decoded.bytes = Utf8ToCp1252(text);
    decoded.lossless = Cp1252ToUtf8(decoded.bytes) == text;
    return decoded;
  }
  if (StartsWithBytes(view, "\xFF\xFE")) {
    return FromUtf16Le(view.substr(2), ReportEncoding::Utf16LeBom);
  }
  if (StartsWithBytes(view, "\xFE\xFF")) {
    return FromUtf16Le(Utf16BeToLe(view.substr(2)), ReportEncoding::Utf16BeBom);
  }
  if (LooksLikeUtf16(view, true)) return FromUtf16Le(view, ReportEncoding::Utf16Le);
  if (LooksLikeUtf16(view, false)) return FromUtf16Le(Utf16BeToLe(view), ReportEncoding::Utf16Be);
  if (IsUtf8BeyondAscii(view)) {
    std::string ansi = Utf8ToCp1252(view);
    if (Cp1252ToUtf8(ansi) == view) return {ReportEncoding::Utf8, true, std::move(ansi)};
  }
  return {ReportEncoding::Ansi, true, std::move(bytes)};
}

std::string_view EncodingCode(ReportEncoding encoding) {
  switch (encoding) {
    case ReportEncoding::Utf8:
      return "utf-8";
    case ReportEncoding::Utf8Bom:
      return "utf-8-bom";
    case ReportEncoding::Utf16Le:
      return "utf-16le";
    case ReportEncoding::Utf16LeBom:
      return "utf-16le-bom";
    case ReportEncoding::Utf16Be:
      return "utf-16be";
    case ReportEncoding::Utf16BeBom:
      return "utf-16be-bom";
    case ReportEncoding::Ansi:
      break;
  }
  return "windows-1252";
}

std::string EncodingName(ReportEncoding encoding, bool german) {
  const std::string_view mark = german ? " mit Byte-Order-Mark" : " with byte-order mark";
  switch (encoding) {
    case ReportEncoding::Utf8:
      return "UTF-8";
    case ReportEncoding::Utf8Bom:
      return "UTF-8" + std::string(mark);
    case ReportEncoding::Utf16Le:
      return "UTF-16 LE";
    case ReportEncoding::Utf16LeBom:
      return "UTF-16 LE" + std::string(mark);
    case ReportEncoding::Utf16Be:
      return "UTF-16 BE";
    case ReportEncoding::Utf16BeBom:
      return "UTF-16 BE" + std::string(mark);
    case ReportEncoding::Ansi:
      break;
  }
  return "Windows-1252";
}

}  // namespace kdx::analysis
