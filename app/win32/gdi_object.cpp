#include "app/win32/gdi_object.h"

namespace kdx::win32 {

HFONT CreateSansSerifFont(int height, int weight) {
  return ::CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
}

int FontHeightForPoints(int points) {
  HDC screen = ::GetDC(nullptr);
  const int pixelsPerInch = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return -::MulDiv(points, pixelsPerInch, 72);
}

}  // namespace kdx::win32
