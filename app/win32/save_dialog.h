#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kdx::win32 {

/// The standard save-file dialog with the proposed name in the initial folder (empty: the
/// dialog's own default): no filter, no default extension, no overwrite prompt. Returns the
/// confirmed path unchanged, nothing when the user cancels; throws KdxError when the dialog
/// itself fails, so a failure is never taken for a cancel.
std::optional<std::string> ShowSaveDialog(HWND owner, const std::string& proposedName,
                                          const std::string& initialFolder);

}  // namespace kdx::win32
