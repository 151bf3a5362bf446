#include "platform/errors.h"

#include "platform/error_codes.h"

namespace kdx {

EInOutError::EInOutError(int code) : KdxError(IoErrorText(code)), code_(code) {}

ERangeError::ERangeError() : KdxError("Fehler bei Bereichsprüfung") {}

std::string IoErrorText(int code) {
  switch (code) {
    case kErrorFileNotFound:
      return "Datei nicht gefunden";
    case kErrorPathNotFound:
      return "Ungültiger Dateiname";
    case kErrorTooManyOpenFiles:
      return "Zu viele geöffnete Dateien";
    case kErrorAccessDenied:
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

int IoCodeForWin32Error(long win32Error) {
  switch (win32Error) {
    case kErrorDiskFull:
    case kErrorHandleDiskFull:
      return kIoDiskFull;
    case kErrorInvalidName:
    case kErrorBadPathname:
      return kErrorPathNotFound;
    default:
      return static_cast<int>(win32Error);
  }
}

void CheckFileCall(long win32Error) {
  if (win32Error != kErrorSuccess) throw EInOutError(IoCodeForWin32Error(win32Error));
}

std::string MessageForDisplay(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) <= '.') return message;
  return message + ".";
}

}  // namespace kdx
