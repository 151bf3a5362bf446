#include "app/win32/gdi_object.h"

namespace kdx::win32 {

HFONT CreateSansSerifFont(int height, int weight) {
  return ::CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
}

namespace {

int ScreenPixelsPerInch() {
  HDC screen = ::GetDC(nullptr);
  const int pixelsPerInch = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return pixelsPerInch;
}

}  // namespace

int FontHeightForPoints(int points) { return -::MulDiv(points, ScreenPixelsPerInch(), 72); }

RECT ScaleForScreen(const RECT& bounds) {
  constexpr int kDesignPixelsPerInch = 96;
  const int pixelsPerInch = ScreenPixelsPerInch();
  const auto scale = [&](LONG value) {
    return static_cast<LONG>(::MulDiv(value, pixelsPerInch, kDesignPixelsPerInch));
  };
  return {scale(bounds.left), scale(bounds.top), scale(bounds.right), scale(bounds.bottom)};
}

}  // namespace kdx::win32
