#pragma once

#include <string>
#include <string_view>

namespace kdx::analysis {

/// How a report file's bytes are encoded. The program writes Windows-1252; an editor that
/// re-saved the file may have turned it into UTF-8 (with or without a byte-order mark) or
/// UTF-16.
enum class ReportEncoding { Ansi, Utf8, Utf8Bom, Utf16Le, Utf16Be };

/// A report's bytes brought back to Windows-1252.
struct DecodedReport {
  ReportEncoding encoding = ReportEncoding::Ansi;
  /// False when the file holds characters Windows-1252 cannot: the text is then not read.
  bool lossless = true;
  std::string bytes;  // Windows-1252; the file's own bytes for Ansi
};

/// Recognises the encoding and converts to Windows-1252 line for line, so that every line keeps
/// its number. UTF-8 without a byte-order mark is recognised only when the bytes are valid
/// UTF-8, hold a character beyond ASCII and convert back and forth unchanged; anything else is
/// taken as the program wrote it.
DecodedReport DecodeReport(std::string bytes);

/// "UTF-8", "UTF-8 mit BOM", ... for messages.
std::string_view EncodingName(ReportEncoding encoding);

}  // namespace kdx::analysis
