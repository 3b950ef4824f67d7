#pragma once
// GDI objects of the Linux build: 32-bit bitmaps (DIB sections), solid
// brushes, device contexts on windows and on bitmaps, icons and cursors.
// Handles are values in a table of their own, apart from kernel handles and
// window handles, as on Windows.
#include <memory>
#include <vector>

#include "platform/linux/win32_user.h"

namespace kb::platform {

enum class GdiKind { kBitmap, kBrush, kDc, kIcon };

struct GdiObject {
  explicit GdiObject(GdiKind k) : kind(k) {}
  virtual ~GdiObject() = default;
  const GdiKind kind;
  bool stock = false;  // never deleted
};

// A 32-bit bitmap. Rows are kept as the DIB describes them (top-down or
// bottom-up), because the caller writes the memory CreateDIBSection gave out.
struct GdiBitmap : GdiObject {
  GdiBitmap() : GdiObject(GdiKind::kBitmap) {}
  int width = 0;
  int height = 0;
  bool bottomUp = false;
  std::vector<uint32_t> pixels;
  uint32_t* Row(int y) { return pixels.data() + static_cast<size_t>(bottomUp ? height - 1 - y : y) * width; }
  const uint32_t* Row(int y) const {
    return pixels.data() + static_cast<size_t>(bottomUp ? height - 1 - y : y) * width;
  }
};

struct GdiBrush : GdiObject {
  GdiBrush() : GdiObject(GdiKind::kBrush) {}
  COLORREF color = 0;
  bool hollow = false;
};

struct GdiDc : GdiObject {
  GdiDc() : GdiObject(GdiKind::kDc) {}
  HWND hwnd = nullptr;          // window DCs
  unsigned long xid = 0;        // the top-level X window drawn into
  POINT origin{};               // of the window's client area within that X window
  RECT clip{};                  // in DC coordinates
  bool memory = false;
  HBITMAP bitmap = nullptr;     // memory DCs
  HGDIOBJ brush = nullptr;
};

struct GdiIcon : GdiObject {
  GdiIcon() : GdiObject(GdiKind::kIcon) {}
  bool isIcon = true;
  int width = 0;
  int height = 0;
  POINT hotspot{};
  std::vector<uint32_t> pixels;  // top-down BGRA, straight alpha
  unsigned int cursorShape = 0;  // system cursors: the X cursor font shape
};

HANDLE InsertGdiObject(std::shared_ptr<GdiObject> object);
std::shared_ptr<GdiObject> LookupGdiObject(HANDLE handle);
template <class T>
std::shared_ptr<T> LookupGdi(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupGdiObject(handle));
}
bool RemoveGdiObject(HANDLE handle);

// Copies pixels (top-down BGRA, `stride` pixels a row) into a DC at (x, y),
// clipped to the DC.
void DrawToDc(GdiDc& dc, int x, int y, int width, int height, const uint32_t* pixels, int stride);
// An icon's pixels scaled to a size and put over a background colour.
std::vector<uint32_t> IconPixels(const GdiIcon& icon, int width, int height);

}  // namespace kb::platform
