#pragma once

#include <string>
#include <string_view>

namespace kdx::analysis {

/// How a report file's bytes are encoded. The program writes Windows-1252; an editor that
/// re-saved the file may have turned it into UTF-8 or UTF-16, each with or without a
/// byte-order mark.
enum class ReportEncoding { Ansi, Utf8, Utf8Bom, Utf16Le, Utf16LeBom, Utf16Be, Utf16BeBom };

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

/// A stable ASCII code: "windows-1252", "utf-8", "utf-8-bom", "utf-16le", "utf-16le-bom",
/// "utf-16be", "utf-16be-bom".
std::string_view EncodingCode(ReportEncoding encoding);

/// "UTF-8", "UTF-16 LE mit Byte-Order-Mark", ... for messages, in German or English.
std::string EncodingName(ReportEncoding encoding, bool german);

}  // namespace kdx::analysis
