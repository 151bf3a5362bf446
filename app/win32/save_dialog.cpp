#include "app/win32/save_dialog.h"

#include <commdlg.h>

#include <cstdio>
#include <vector>

#include "platform/errors.h"

namespace kdx::win32 {

namespace {

// Far more than any path the ANSI file calls accept, so the dialog never reports a
// too-small buffer for a name the user typed.
constexpr DWORD kPathBufferSize = 4096;

[[noreturn]] void ThrowDialogError(DWORD code) {
  char text[80];
  std::snprintf(text, sizeof text, "Der Speichern-Dialog ist fehlgeschlagen (Fehler 0x%04lX)",
                static_cast<unsigned long>(code));
  throw KdxError(text);
}

}  // namespace

std::optional<std::string> ShowSaveDialog(HWND owner, const std::string& proposedName,
                                          const std::string& initialFolder) {
  std::vector<char> path(kPathBufferSize, '\0');
  proposedName.copy(path.data(), path.size() - 1);
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = kPathBufferSize;
  dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
  if (::GetSaveFileNameA(&dialog)) return std::string(path.data());
  const DWORD error = ::CommDlgExtendedError();
  if (error != 0) ThrowDialogError(error);
  return std::nullopt;
}

}  // namespace kdx::win32
