#include "app/win32/main_window.h"

#include <exception>

#include "app/exit_codes.h"
#include "app/win32/instruction_dialog.h"
#include "app/win32/save_dialog.h"
#include "platform/errors.h"

namespace kdx::win32 {

namespace {

constexpr char kClassName[] = "TForm1";
constexpr char kCaption[] = "Dexta Label Printer Info";
/// Application title, the caption of error message boxes.
constexpr char kProgramTitle[] = "KDXInfo";
constexpr RECT kFormBounds{105, 41, 105 + 399, 41 + 252};
constexpr RECT kGaugeBounds{376, 208, 376 + 12, 208 + 12};
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kTimerInterval = 1000;

void RegisterFormClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  // The program's own icon, resource 1 (app/win32/resources/kdxinfo.rc).
  windowClass.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(1));
  windowClass.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  ::RegisterClassExA(&windowClass);
}

}  // namespace

TForm1::TForm1(HINSTANCE instance, Platform& platform)
    : instance_(instance),
      font_(CreateSansSerifFont(FontHeightForPoints(8), FW_NORMAL)),
      context_(platform, *this) {
  RegisterFormClass(instance, &TForm1::WindowProc);
  const RECT bounds = ScaleForScreen(kFormBounds);
  ::CreateWindowExA(0, kClassName, kCaption, WS_OVERLAPPEDWINDOW, bounds.left, bounds.top,
                    bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr, nullptr,
                    instance, this);
}

TForm1::~TForm1() {
  if (window_ != nullptr) ::DestroyWindow(window_);
}

int TForm1::Run(int showCommand) {
  ::ShowWindow(window_, showCommand);
  ::UpdateWindow(window_);
  return loop_.Run();
}

void TForm1::FormCreate() {
  memo1_ = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPSIBLINGS | ES_MULTILINE |
                                 ES_READONLY | ES_AUTOVSCROLL,
                             0, 0, 0, 0, window_, nullptr, instance_, nullptr);
  ::SendMessageA(memo1_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Font()), FALSE);
  // The default limit of 32767 characters would silently drop later status lines.
  ::SendMessageA(memo1_, EM_SETLIMITTEXT, 0, 0);
  gauge1_.Create(instance_, window_, ScaleForScreen(kGaugeBounds));
  ::SetTimer(window_, kTimer1, kTimerInterval, nullptr);
  loop_.OnIdle([this] { RunReportOnce(); });
}

void TForm1::Timer1Timer() { gauge1_.SetProgress(NextProgress(gauge1_.Progress())); }

void TForm1::OnClose() {
  // During the run, closing only marks the end: the run still reaches the save dialog.
  if (running_) {
    terminated_ = true;
    return;
  }
  ::DestroyWindow(window_);
}

void TForm1::RunReportOnce() {
  running_ = true;
  const RunOutcome outcome = RunGuarded();
  running_ = false;
  exitCode_ = ExitCodeFor(outcome);
  if (outcome == RunOutcome::Failed && !terminated_) {
    // The window stays open, idle, with the log of how far the run came.
    busy_ = false;
    ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
    return;
  }
  ::DestroyWindow(window_);
}

RunOutcome TForm1::RunGuarded() {
  // RunReport shows the errors it expects; anything else lands here, as in the message loop
  // of any Windows program, and is shown the same way.
  try {
    return RunReport(context_);
  } catch (const std::exception& error) {
    ShowError(MessageForDisplay(error.what()));
  }
  return RunOutcome::Failed;
}

void TForm1::ShowInstructions() {
  TKDXInfoDlg dialog;
  dialog.ShowModal(instance_, window_);
}

void TForm1::ShowStatus(const std::string& line) {
  const auto end = static_cast<WPARAM>(::GetWindowTextLengthA(memo1_));
  const std::string text = end == 0 ? line : "\r\n" + line;
  ::SendMessageA(memo1_, EM_SETSEL, end, static_cast<LPARAM>(end));
  ::SendMessageA(memo1_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  ::SendMessageA(memo1_, EM_SCROLLCARET, 0, 0);
  busy_ = true;
  ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
}

std::optional<std::string> TForm1::AskSavePath(const std::string& proposedName,
                                               const std::string& initialFolder) {
  return ShowSaveDialog(window_, proposedName, initialFolder);
}

void TForm1::ShowError(const std::string& message) {
  ::MessageBoxA(window_, message.c_str(), kProgramTitle, MB_OK | MB_ICONERROR);
}

void TForm1::ShowMessageBox(const std::string& text, const std::string& caption) {
  ::MessageBoxA(window_, text.c_str(), caption.c_str(), MB_ICONERROR);
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  switch (message) {
    case WM_CREATE:
      FormCreate();
      return 0;
    case WM_SIZE:
      ::MoveWindow(memo1_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_TIMER:
      if (wParam == kTimer1) Timer1Timer();
      return 0;
    case WM_CTLCOLORSTATIC:
      // The status log is read-only but reads like a document, not a greyed-out field.
      if (reinterpret_cast<HWND>(lParam) == memo1_) {
        ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_SETCURSOR:
      if (busy_ && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      ::KillTimer(window_, kTimer1);
      window_ = nullptr;
      ::PostQuitMessage(exitCode_);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    form->window_ = window;
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<TForm1*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (form == nullptr || form->window_ != window) {
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  return form->HandleMessage(message, wParam, lParam);
}

}  // namespace kdx::win32
