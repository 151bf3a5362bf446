#include "platform/errors.h"

namespace kdx {

EInOutError::EInOutError(int code) : KdxError(IoErrorText(code)), code_(code) {}

ERangeError::ERangeError() : KdxError("Fehler bei Bereichsprüfung") {}

std::string IoErrorText(int code) {
  switch (code) {
    case kIoFileNotFound:
      return "Datei nicht gefunden";
    case kIoInvalidFileName:
      return "Ungültiger Dateiname";
    case kIoTooManyOpenFiles:
      return "Zu viele geöffnete Dateien";
    case kIoAccessDenied:
      return "Dateizugriff verweigert";
    case kIoReadPastEnd:
      return "Versuch hinter dem Dateiende zu lesen";
    case kIoDiskFull:
      return "Zu wenig Speicherplatz";
    case kIoInvalidNumericInput:
      return "Ungültige numerische Eingabe";
    default:
      return "E/A-Fehler " + std::to_string(code);
  }
}

std::string MessageForDisplay(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) <= '.') return message;
  return message + ".";
}

}  // namespace kdx
