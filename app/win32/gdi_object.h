#pragma once

#include <windows.h>

namespace kdx::win32 {

/// Owns a GDI object (font, brush, pen) and deletes it once.
class GdiObject {
 public:
  explicit GdiObject(HGDIOBJ object) : object_(object) {}
  ~GdiObject() {
    if (object_ != nullptr) ::DeleteObject(object_);
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  HGDIOBJ Get() const { return object_; }
  HFONT Font() const { return static_cast<HFONT>(object_); }
  HBRUSH Brush() const { return static_cast<HBRUSH>(object_); }

 private:
  HGDIOBJ object_;
};

/// Selects an object into a device context for one scope and puts the old one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~SelectedObject() { ::SelectObject(dc_, old_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

/// "MS Sans Serif" (the program's font) of a height in pixels; a negative height is the
/// character height without internal leading, as Windows reads point sizes.
HFONT CreateSansSerifFont(int height, int weight);

/// The CreateFont height (negative: character height) of a size in points on the screen.
int FontHeightForPoints(int points);

/// Bounds laid out for a screen of 96 pixels per inch, scaled to the screen's: the programs
/// declare themselves DPI-aware, so Windows no longer stretches their windows itself.
RECT ScaleForScreen(const RECT& bounds);

}  // namespace kdx::win32
