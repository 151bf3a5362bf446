#include "app/win32/instruction_dialog.h"

#include <string>

#include "app/instruction_texts.h"

namespace kdx::win32 {

namespace {

constexpr int kClientWidth = 300;
constexpr int kClientHeight = 158;
constexpr int kMemo1Id = 101;
constexpr int kMemo2Id = 102;
constexpr int kLabel1Id = 103;

/// A dialog template without controls: they are created in pixels in WM_INITDIALOG, because
/// the dialog's size is fixed in pixels, not in dialog units.
struct alignas(DWORD) EmptyDialogTemplate {
  DLGTEMPLATE header;
  WORD menu = 0;
  WORD windowClass = 0;
  WORD title = 0;
};

std::string MemoText(const char* const (&lines)[2]) {
  return std::string(lines[0]) + "\r\n" + lines[1];
}

/// Resizes the dialog to the client size and centres it on the screen.
void PlaceDialog(HWND dialog) {
  RECT frame{0, 0, kClientWidth, kClientHeight};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  ::SetWindowPos(dialog, nullptr, left, top, width, height, SWP_NOZORDER);
}

}  // namespace

TKDXInfoDlg::TKDXInfoDlg()
    : textFont_(CreateSansSerifFont(FontHeightForPoints(8), FW_NORMAL)),
      headingFont_(CreateSansSerifFont(24, FW_BOLD)) {}

void TKDXInfoDlg::ShowModal(HINSTANCE instance, HWND owner) {
  EmptyDialogTemplate dialogTemplate{};
  dialogTemplate.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  ::DialogBoxIndirectParamA(instance, &dialogTemplate.header, owner, &TKDXInfoDlg::DialogProc,
                            reinterpret_cast<LPARAM>(this));
}

HWND TKDXInfoDlg::AddControl(const char* className, const char* text, DWORD style, RECT bounds,
                             int id, HFONT font) const {
  HWND control = ::CreateWindowExA(
      0, className, text, WS_CHILD | WS_VISIBLE | style, bounds.left, bounds.top,
      bounds.right - bounds.left, bounds.bottom - bounds.top, dialog_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      reinterpret_cast<HINSTANCE>(::GetWindowLongPtrA(dialog_, GWLP_HINSTANCE)), nullptr);
  ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

void TKDXInfoDlg::InitDialog(HWND dialog) {
  dialog_ = dialog;
  ::SetWindowTextA(dialog, kInstructionCaption);
  PlaceDialog(dialog);
  // No word wrap: each instruction keeps exactly its two lines.
  constexpr DWORD kMemoStyle = ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL;
  AddControl("STATIC", kInstructionCaption, SS_LEFT, {8, 6, 292, 36}, kLabel1Id,
             headingFont_.Font());
  memo1_ = AddControl("EDIT", MemoText(kInstructionGerman).c_str(), kMemoStyle, {4, 42, 296, 80},
                      kMemo1Id, textFont_.Font());
  memo2_ = AddControl("EDIT", MemoText(kInstructionEnglish).c_str(), kMemoStyle, {4, 84, 296, 122},
                      kMemo2Id, textFont_.Font());
  HWND ok = AddControl("BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, {113, 126, 188, 151}, IDOK,
                       textFont_.Font());
  ::SetFocus(ok);
}

HBRUSH TKDXInfoDlg::MemoColours(HDC dc, HWND control) const {
  if (control != memo1_ && control != memo2_) return nullptr;
  ::SetTextColor(dc, ::GetSysColor(COLOR_INFOTEXT));
  ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
  return ::GetSysColorBrush(COLOR_BTNFACE);
}

INT_PTR CALLBACK TKDXInfoDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    reinterpret_cast<TKDXInfoDlg*>(lParam)->InitDialog(dialog);
    return FALSE;  // focus was set on OK
  }
  const auto* self = reinterpret_cast<const TKDXInfoDlg*>(::GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_CTLCOLORSTATIC:
      return self != nullptr ? reinterpret_cast<INT_PTR>(self->MemoColours(
                                   reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
                             : 0;
    case WM_COMMAND:
      // OK, Enter, Escape and the close box (which sends IDCANCEL) all go on with the run.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace kdx::win32
