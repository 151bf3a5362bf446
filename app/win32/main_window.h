#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/run_report.h"
#include "app/win32/gauge.h"
#include "app/win32/gdi_object.h"
#include "app/win32/message_loop.h"
#include "platform/platform.h"
#include "run/front_end.h"
#include "run/run_context.h"

namespace kdx::win32 {

/// The main window "Dexta Label Printer Info": the status log filling it, the progress pie at
/// its lower right, and the one report run started on the first idle moment. It owns the
/// run's context for the whole program run.
class TForm1 final : public FrontEnd {
 public:
  TForm1(HINSTANCE instance, Platform& platform);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  /// Shows the window and runs the message loop until the program ends; returns the exit code.
  int Run(int showCommand);

  void ShowInstructions() override;
  void ShowStatus(const std::string& line) override;
  void ProcessMessages() override { MessageLoop::ProcessMessages(); }
  bool Terminated() const override { return terminated_; }
  std::optional<std::string> AskSavePath(const std::string& proposedName,
                                         const std::string& initialFolder) override;
  void ShowError(const std::string& message) override;
  void ShowMessageBox(const std::string& text, const std::string& caption) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  void FormCreate();
  void Timer1Timer();
  void OnClose();
  /// The idle handler: the run, and afterwards the end of the program unless an error
  /// keeps the window open.
  void RunReportOnce();
  RunOutcome RunGuarded();

  HINSTANCE instance_;
  HWND window_ = nullptr;
  HWND memo1_ = nullptr;
  GdiObject font_;
  TGauge gauge1_;
  MessageLoop loop_;
  RunContext context_;
  bool running_ = false;
  bool busy_ = false;
  bool terminated_ = false;
  int exitCode_ = 0;
};

}  // namespace kdx::win32
