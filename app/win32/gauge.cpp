#include "app/win32/gauge.h"

#include <cmath>
#include <numbers>

#include "app/win32/gdi_object.h"

namespace kdx::win32 {

namespace {

constexpr char kClassName[] = "TGauge";
constexpr COLORREF kNavy = RGB(0, 0, 128);

void RegisterGaugeClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  // A second registration in the same process fails harmlessly.
  ::RegisterClassExA(&windowClass);
}

/// A point far out on the ray at the given angle (degrees, counterclockwise from three
/// o'clock); GDI only takes the direction of the rays that bound a pie.
POINT RayPoint(const RECT& box, double degrees) {
  const double radians = degrees * std::numbers::pi / 180.0;
  const double centreX = (box.left + box.right) / 2.0;
  const double centreY = (box.top + box.bottom) / 2.0;
  return POINT{static_cast<LONG>(std::lround(centreX + 1000.0 * std::cos(radians))),
               static_cast<LONG>(std::lround(centreY - 1000.0 * std::sin(radians)))};
}

}  // namespace

void TGauge::Create(HINSTANCE instance, HWND parent, RECT bounds) {
  RegisterGaugeClass(instance, &TGauge::WindowProc);
  window_ = ::CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE, bounds.left, bounds.top,
                              bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                              nullptr, instance, this);
}

void TGauge::SetProgress(int progress) {
  progress_ = progress;
  ::InvalidateRect(window_, nullptr, TRUE);
}

void TGauge::Paint(HDC dc) const {
  RECT box;
  ::GetClientRect(window_, &box);
  ::FillRect(dc, &box, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  const GdiObject navy(::CreateSolidBrush(kNavy));
  const SelectedObject pen(dc, ::GetStockObject(BLACK_PEN));
  if (progress_ >= 100) {
    const SelectedObject brush(dc, navy.Get());
    ::Ellipse(dc, box.left, box.top, box.right, box.bottom);
    return;
  }
  {
    const SelectedObject brush(dc, ::GetStockObject(WHITE_BRUSH));
    ::Ellipse(dc, box.left, box.top, box.right, box.bottom);
  }
  if (progress_ <= 0) return;
  // Pie runs counterclockwise from its first ray to its second: from where the sweep ends
  // back to twelve o'clock.
  const POINT from = RayPoint(box, 90.0 - 3.6 * progress_);
  const POINT to = RayPoint(box, 90.0);
  const SelectedObject brush(dc, navy.Get());
  ::Pie(dc, box.left, box.top, box.right, box.bottom, from.x, from.y, to.x, to.y);
}

LRESULT CALLBACK TGauge::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  const auto* gauge = reinterpret_cast<const TGauge*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_PAINT && gauge != nullptr) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(window, &paint);
    gauge->Paint(dc);
    ::EndPaint(window, &paint);
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace kdx::win32
