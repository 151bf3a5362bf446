#pragma once

#include <windows.h>

#include "app/win32/gdi_object.h"

namespace kdx::win32 {

/// The modal instruction dialog: heading, the German and the English instruction, OK.
/// Closing it by its close box or Escape ends it like OK.
class TKDXInfoDlg {
 public:
  TKDXInfoDlg();
  TKDXInfoDlg(const TKDXInfoDlg&) = delete;
  TKDXInfoDlg& operator=(const TKDXInfoDlg&) = delete;

  /// Shows the dialog modally over owner and returns when the user has closed it.
  void ShowModal(HINSTANCE instance, HWND owner);

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void InitDialog(HWND dialog);
  HWND AddControl(const char* className, const char* text, DWORD style, RECT bounds, int id,
                  HFONT font) const;
  /// Colours of the read-only memos; null for every other control.
  HBRUSH MemoColours(HDC dc, HWND control) const;

  HWND dialog_ = nullptr;
  HWND memo1_ = nullptr;
  HWND memo2_ = nullptr;
  GdiObject textFont_;
  GdiObject headingFont_;
};

}  // namespace kdx::win32
