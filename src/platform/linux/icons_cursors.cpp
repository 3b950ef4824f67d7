// Icons and cursors: made from bitmaps, read from .ico and .bmp files, and
// the system cursors, which are the X server's cursor font.
#include <X11/cursorfont.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

#include "platform/linux/app_icons.h"
#include "platform/linux/gdi_object.h"
#include "platform/linux/win32_kernel.h"
#include "platform/linux/window_object.h"
#include "platform/linux/x11_window.h"
#include "platform/text.h"

namespace kb::platform {

namespace {

constexpr int kDefaultIconSize = 32;
constexpr uint16_t kIconFileType = 1;
constexpr uint16_t kCursorFileType = 2;
constexpr size_t kIconDirSize = 6;
constexpr size_t kIconEntrySize = 16;
constexpr size_t kBitmapFileHeaderSize = 14;
constexpr uint16_t kBitmapMagic = 0x4D42;  // "BM"

struct SystemCursor {
  uintptr_t id;
  unsigned int shape;
};

constexpr SystemCursor kSystemCursors[] = {
    {32512, XC_left_ptr},          {32513, XC_xterm},           {32514, XC_watch},
    {32515, XC_crosshair},         {32516, XC_sb_up_arrow},     {32642, XC_bottom_right_corner},
    {32643, XC_bottom_left_corner}, {32644, XC_sb_h_double_arrow}, {32645, XC_sb_v_double_arrow},
    {32646, XC_fleur},             {32648, XC_X_cursor},        {32649, XC_hand2},
    {32650, XC_watch},             {32651, XC_question_arrow},
};

uint16_t U16(const std::vector<uint8_t>& d, size_t at) {
  return at + 2 <= d.size() ? static_cast<uint16_t>(d[at] | (d[at + 1] << 8)) : 0;
}
uint32_t U32(const std::vector<uint8_t>& d, size_t at) {
  return at + 4 <= d.size() ? static_cast<uint32_t>(d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) |
                                                    (static_cast<uint32_t>(d[at + 3]) << 24))
                            : 0;
}

HICON SystemCursorHandle(uintptr_t id) {
  static std::mutex lock;
  static auto* handles = new std::vector<std::pair<uintptr_t, HICON>>;
  std::lock_guard<std::mutex> guard(lock);
  for (auto& [known, handle] : *handles)
    if (known == id) return handle;
  for (const SystemCursor& c : kSystemCursors) {
    if (c.id != id) continue;
    auto icon = std::make_shared<GdiIcon>();
    icon->isIcon = false;
    icon->stock = true;
    icon->width = icon->height = kDefaultIconSize;
    icon->cursorShape = c.shape;
    HICON h = InsertGdiObject(icon);
    handles->emplace_back(id, h);
    return h;
  }
  return nullptr;
}

HICON ApplicationIcon() {
  static HICON icon = [] {
    auto i = std::make_shared<GdiIcon>();
    i->stock = true;
    i->width = i->height = kDefaultIconSize;
    i->pixels.assign(kDefaultIconSize * kDefaultIconSize, 0xFF3C78D8u);
    return InsertGdiObject(i);
  }();
  return icon;
}

// One icon image in the BITMAPINFOHEADER form .ico files use: the colour
// rows, then a 1-bit AND mask, height doubled, bottom-up.
bool DecodeIconBitmap(const std::vector<uint8_t>& d, size_t at, size_t size, GdiIcon* icon) {
  if (size < 40 || at + size > d.size()) return false;
  int width = static_cast<int32_t>(U32(d, at + 4));
  int height = static_cast<int32_t>(U32(d, at + 8)) / 2;
  int bpp = U16(d, at + 14);
  if (width <= 0 || height <= 0 || width > 1024 || height > 1024 || (bpp != 32 && bpp != 24)) return false;
  size_t colorStride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
  size_t maskStride = ((static_cast<size_t>(width) + 31) / 32) * 4;
  size_t colors = at + U32(d, at);
  size_t mask = colors + colorStride * height;
  if (mask + maskStride * height > at + size) return false;
  icon->width = width;
  icon->height = height;
  icon->pixels.assign(static_cast<size_t>(width) * height, 0);
  bool anyAlpha = false;
  for (int y = 0; y < height; ++y) {
    size_t row = colors + colorStride * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &d[row + static_cast<size_t>(x) * (bpp / 8)];
      uint32_t a = bpp == 32 ? p[3] : 0xFF;
      anyAlpha = anyAlpha || (bpp == 32 && a != 0);
      icon->pixels[static_cast<size_t>(y) * width + x] = (a << 24) | (p[2] << 16) | (p[1] << 8) | p[0];
    }
  }
  // Icons without alpha take their transparency from the AND mask.
  if (bpp == 24 || !anyAlpha) {
    for (int y = 0; y < height; ++y) {
      size_t row = mask + maskStride * (height - 1 - y);
      for (int x = 0; x < width; ++x) {
        bool transparent = (d[row + x / 8] >> (7 - x % 8)) & 1;
        uint32_t& px = icon->pixels[static_cast<size_t>(y) * width + x];
        px = transparent ? 0 : (px | 0xFF000000u);
      }
    }
  }
  return true;
}

HANDLE LoadIconFile(const std::vector<uint8_t>& d, bool cursor, int cx, int cy) {
  uint16_t type = U16(d, 2), count = U16(d, 4);
  if (U16(d, 0) != 0 || (type != kIconFileType && type != kCursorFileType) || count == 0 ||
      kIconDirSize + count * kIconEntrySize > d.size()) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  // The entry closest to the asked size, the largest when none was asked.
  int best = -1;
  long bestScore = 0;
  for (int i = 0; i < count; ++i) {
    size_t e = kIconDirSize + static_cast<size_t>(i) * kIconEntrySize;
    int w = d[e] ? d[e] : 256;
    long score = cx > 0 ? -std::labs(static_cast<long>(w) - cx) : w;
    if (best < 0 || score > bestScore) {
      best = i;
      bestScore = score;
    }
  }
  size_t e = kIconDirSize + static_cast<size_t>(best) * kIconEntrySize;
  auto icon = std::make_shared<GdiIcon>();
  icon->isIcon = !cursor;
  if (type == kCursorFileType) icon->hotspot = POINT{U16(d, e + 4), U16(d, e + 6)};
  if (!DecodeIconBitmap(d, U32(d, e + 12), U32(d, e + 8), icon.get())) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  if (cx > 0 && cy > 0 && (cx != icon->width || cy != icon->height)) {
    icon->pixels = IconPixels(*icon, cx, cy);
    icon->width = cx;
    icon->height = cy;
  }
  return InsertGdiObject(icon);
}

HANDLE LoadBitmapFile(const std::vector<uint8_t>& d) {
  if (U16(d, 0) != kBitmapMagic || d.size() < kBitmapFileHeaderSize + 40) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  size_t info = kBitmapFileHeaderSize;
  int width = static_cast<int32_t>(U32(d, info + 4));
  int height = static_cast<int32_t>(U32(d, info + 8));
  int bpp = U16(d, info + 14);
  int rows = height < 0 ? -height : height;
  if (width <= 0 || rows <= 0 || (bpp != 32 && bpp != 24) || width > 16384 || rows > 16384) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
  size_t offset = U32(d, 10);
  if (offset + stride * rows > d.size()) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -rows;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* out = static_cast<uint32_t*>(bits);
  for (int y = 0; y < rows; ++y) {
    size_t row = offset + stride * (height > 0 ? rows - 1 - y : y);
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &d[row + static_cast<size_t>(x) * (bpp / 8)];
      uint32_t a = bpp == 32 ? p[3] : 0xFF;
      out[static_cast<size_t>(y) * width + x] = (a << 24) | (p[2] << 16) | (p[1] << 8) | p[0];
    }
  }
  return bitmap;
}

}  // namespace

std::vector<uint32_t> IconPixels(const GdiIcon& icon, int width, int height) {
  std::vector<uint32_t> out(static_cast<size_t>(width) * height, 0);
  if (icon.pixels.empty() || icon.width <= 0 || icon.height <= 0) return out;
  // Box filter: each output pixel averages the source pixels it covers.
  for (int y = 0; y < height; ++y) {
    int y0 = y * icon.height / height, y1 = std::max(y0 + 1, (y + 1) * icon.height / height);
    for (int x = 0; x < width; ++x) {
      int x0 = x * icon.width / width, x1 = std::max(x0 + 1, (x + 1) * icon.width / width);
      uint64_t a = 0, r = 0, g = 0, b = 0, n = 0;
      for (int sy = y0; sy < y1; ++sy)
        for (int sx = x0; sx < x1; ++sx) {
          uint32_t p = icon.pixels[static_cast<size_t>(sy) * icon.width + sx];
          uint32_t pa = p >> 24;
          a += pa;
          r += ((p >> 16) & 0xFF) * pa;
          g += ((p >> 8) & 0xFF) * pa;
          b += (p & 0xFF) * pa;
          ++n;
        }
      uint32_t outA = static_cast<uint32_t>(a / n);
      uint32_t outR = a ? static_cast<uint32_t>(r / a) : 0, outG = a ? static_cast<uint32_t>(g / a) : 0,
               outB = a ? static_cast<uint32_t>(b / a) : 0;
      out[static_cast<size_t>(y) * width + x] = (outA << 24) | (outR << 16) | (outG << 8) | outB;
    }
  }
  return out;
}

namespace {

std::mutex& IconResourceLock() {
  static std::mutex lock;
  return lock;
}

std::map<WORD, std::vector<uint8_t>>& IconResources() {
  static auto* table = new std::map<WORD, std::vector<uint8_t>>;
  return *table;
}

// The registered .ico file of an integer resource id, or nothing.
bool FindIconResource(LPCWSTR name, std::vector<uint8_t>& out) {
  if (!IS_INTRESOURCE(name)) return false;
  std::lock_guard<std::mutex> guard(IconResourceLock());
  auto it = IconResources().find(static_cast<WORD>(reinterpret_cast<uintptr_t>(name)));
  if (it == IconResources().end()) return false;
  out = it->second;
  return true;
}

}  // namespace

void RegisterIconResource(WORD id, const uint8_t* data, size_t size) {
  std::lock_guard<std::mutex> guard(IconResourceLock());
  IconResources()[id].assign(data, data + size);
}

void PublishWindowIcons(unsigned long xid, HICON big, HICON small) {
  std::vector<std::shared_ptr<GdiIcon>> held;
  std::vector<X11IconImage> images;
  for (HICON handle : {big, small}) {
    auto icon = handle ? LookupGdi<GdiIcon>(handle) : nullptr;
    if (!icon || icon->pixels.empty() || (!held.empty() && held.front() == icon)) continue;
    held.push_back(icon);
    images.push_back(X11IconImage{icon->width, icon->height, icon->pixels.data()});
  }
  X11SetIcons(xid, images);
}

}  // namespace kb::platform

using namespace kb::platform;

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
  if (!instance && IS_INTRESOURCE(name)) {
    if (HCURSOR c = SystemCursorHandle(reinterpret_cast<uintptr_t>(name))) return c;
  }
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
  if (!instance && name == IDI_APPLICATION) return ApplicationIcon();
  if (std::vector<uint8_t> data; instance && FindIconResource(name, data))
    return static_cast<HICON>(LoadIconFile(data, false, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)));
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy, UINT flags) {
  if (!(flags & LR_LOADFROMFILE)) {
    if (type == IMAGE_CURSOR) return LoadCursorW(instance, name);
    // Without a size and LR_DEFAULTSIZE an icon resource comes at its own
    // size: the first image's.
    if (std::vector<uint8_t> data; type == IMAGE_ICON && instance && FindIconResource(name, data)) {
      if (flags & LR_DEFAULTSIZE) {
        cx = cx ? cx : GetSystemMetrics(SM_CXICON);
        cy = cy ? cy : GetSystemMetrics(SM_CYICON);
      } else if (!cx || !cy) {
        cx = cx ? cx : (data.size() > kIconDirSize && data[kIconDirSize] ? data[kIconDirSize] : 256);
        cy = cy ? cy : cx;
      }
      return LoadIconFile(data, false, cx, cy);
    }
    if (type == IMAGE_ICON) return LoadIconW(instance, name);
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  if (!name || IS_INTRESOURCE(name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::ifstream file(kb::WideToUtf8(name), std::ios::binary);
  if (!file) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (type == IMAGE_BITMAP) return LoadBitmapFile(data);
  if (flags & LR_DEFAULTSIZE) {
    cx = cx ? cx : kDefaultIconSize;
    cy = cy ? cy : kDefaultIconSize;
  }
  return LoadIconFile(data, type == IMAGE_CURSOR, cx, cy);
}

HICON CreateIconIndirect(PICONINFO info) {
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto color = LookupGdi<GdiBitmap>(info->hbmColor);
  auto mask = LookupGdi<GdiBitmap>(info->hbmMask);
  if (!color && !mask) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto icon = std::make_shared<GdiIcon>();
  icon->isIcon = info->fIcon != FALSE;
  icon->hotspot = POINT{static_cast<LONG>(info->xHotspot), static_cast<LONG>(info->yHotspot)};
  if (color) {
    icon->width = color->width;
    icon->height = color->height;
    icon->pixels.resize(static_cast<size_t>(icon->width) * icon->height);
    bool anyAlpha = false;
    for (int y = 0; y < icon->height; ++y)
      for (int x = 0; x < icon->width; ++x) {
        uint32_t p = color->Row(y)[x];
        anyAlpha = anyAlpha || (p >> 24) != 0;
        icon->pixels[static_cast<size_t>(y) * icon->width + x] = p;
      }
    // A colour bitmap without alpha is opaque where the mask is black.
    if (!anyAlpha) {
      for (int y = 0; y < icon->height; ++y)
        for (int x = 0; x < icon->width; ++x) {
          bool transparent = mask && y < mask->height && x < mask->width && (mask->Row(y)[x] & 0xFFFFFF) != 0;
          uint32_t& p = icon->pixels[static_cast<size_t>(y) * icon->width + x];
          p = transparent ? 0 : (p | 0xFF000000u);
        }
    }
  } else {
    // Monochrome: the mask holds the AND half over the XOR half.
    icon->width = mask->width;
    icon->height = mask->height / 2;
    icon->pixels.resize(static_cast<size_t>(icon->width) * icon->height);
    for (int y = 0; y < icon->height; ++y)
      for (int x = 0; x < icon->width; ++x) {
        bool andBit = (mask->Row(y)[x] & 0xFFFFFF) != 0;
        bool xorBit = (mask->Row(y + icon->height)[x] & 0xFFFFFF) != 0;
        icon->pixels[static_cast<size_t>(y) * icon->width + x] =
            andBit ? 0 : (xorBit ? 0xFFFFFFFFu : 0xFF000000u);
      }
  }
  return InsertGdiObject(icon);
}

BOOL GetIconInfo(HICON handle, PICONINFO info) {
  auto icon = LookupGdi<GdiIcon>(handle);
  if (!icon || !info) {
    SetLastError(ERROR_INVALID_CURSOR_HANDLE);
    return FALSE;
  }
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = std::max(1, icon->width);
  bi.bmiHeader.biHeight = -std::max(1, icon->height);
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* colorBits = nullptr;
  void* maskBits = nullptr;
  info->fIcon = icon->isIcon;
  info->xHotspot = static_cast<DWORD>(icon->hotspot.x);
  info->yHotspot = static_cast<DWORD>(icon->hotspot.y);
  info->hbmColor = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &colorBits, nullptr, 0);
  info->hbmMask = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &maskBits, nullptr, 0);
  auto* c = static_cast<uint32_t*>(colorBits);
  auto* m = static_cast<uint32_t*>(maskBits);
  for (size_t i = 0; i < icon->pixels.size(); ++i) {
    c[i] = icon->pixels[i];
    m[i] = (icon->pixels[i] >> 24) ? 0 : 0xFFFFFFu;
  }
  return TRUE;
}

BOOL DestroyIcon(HICON handle) {
  auto icon = LookupGdi<GdiIcon>(handle);
  if (!icon) {
    SetLastError(ERROR_INVALID_CURSOR_HANDLE);
    return FALSE;
  }
  return RemoveGdiObject(handle) ? TRUE : FALSE;
}

BOOL DestroyCursor(HCURSOR handle) { return DestroyIcon(handle); }

HCURSOR SetCursor(HCURSOR cursor) {
  auto queue = CurrentQueue();
  HCURSOR old;
  HWND top;
  {
    std::lock_guard<std::recursive_mutex> guard(UserLock());
    old = queue->cursor;
    queue->cursor = cursor;
    top = queue->mouseTop;
  }
  auto icon = LookupGdi<GdiIcon>(cursor);
  unsigned int shape = icon && icon->cursorShape ? icon->cursorShape : XC_left_ptr;
  if (WindowPtr w = FindWindowObject(top))
    if (w->xid) X11DefineCursor(w->xid, shape);
  return old;
}

HCURSOR GetCursor() {
  auto queue = CurrentQueue();
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  return queue->cursor;
}
