#pragma once

#include <windows.h>

namespace kdx::win32 {

/// The progress pie: a filled sector of progress/100 of a circle, clockwise from twelve
/// o'clock, in navy on white, without text.
class TGauge {
 public:
  TGauge() = default;
  TGauge(const TGauge&) = delete;
  TGauge& operator=(const TGauge&) = delete;

  /// Creates the pie as a child of parent at the client position and size.
  void Create(HINSTANCE instance, HWND parent, RECT bounds);
  int Progress() const { return progress_; }
  /// Sets the progress (0 to 100) and repaints.
  void SetProgress(int progress);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC dc) const;

  HWND window_ = nullptr;
  int progress_ = 0;
};

}  // namespace kdx::win32
