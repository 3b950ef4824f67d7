// GDI object table, bitmaps, brushes, device contexts and the blits the
// program's windows are painted with.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/linux/gdi_object.h"
#include "platform/linux/win32_kernel.h"
#include "platform/linux/window_object.h"
#include "platform/linux/x11_window.h"

namespace kb::platform {

namespace {

constexpr uintptr_t kGdiHandleBase = 0x30000000;
constexpr uintptr_t kGdiHandleStep = 4;
constexpr int kStockBrushes = NULL_BRUSH + 1;
constexpr int kSysColorBrushMax = 31;
constexpr int kBitsPerPixel = 32;

struct GdiTable {
  std::mutex lock;
  std::unordered_map<uintptr_t, std::shared_ptr<GdiObject>> objects;
  uintptr_t next = kGdiHandleBase;
};

GdiTable& Table() {
  static auto* table = new GdiTable;
  return *table;
}

COLORREF SysColor(int index) {
  switch (index) {
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    default: return RGB(0, 0, 0);
  }
}

uint32_t PixelOf(COLORREF c) {
  return 0xFF000000u | (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) |
         GetBValue(c);
}

// The rows a DIB describes, as a top-down view: `Row(y)` is row y from the top.
struct DibView {
  const uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  bool bottomUp = false;
  const uint32_t* Row(int y) const {
    int stored = bottomUp ? height - 1 - y : y;
    return reinterpret_cast<const uint32_t*>(bits + static_cast<size_t>(stored) * width * 4);
  }
};

bool ReadDib(const BITMAPINFO* info, const void* bits, DibView* view) {
  if (!info || !bits) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biBitCount != kBitsPerPixel || (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) ||
      h.biWidth <= 0 || h.biHeight == 0)
    return false;
  view->bits = static_cast<const uint8_t*>(bits);
  view->width = h.biWidth;
  view->height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  view->bottomUp = h.biHeight > 0;
  return true;
}

}  // namespace

HANDLE InsertGdiObject(std::shared_ptr<GdiObject> object) {
  GdiTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  uintptr_t value = t.next;
  t.next += kGdiHandleStep;
  t.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<GdiObject> LookupGdiObject(HANDLE handle) {
  GdiTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == t.objects.end() ? nullptr : it->second;
}

bool RemoveGdiObject(HANDLE handle) {
  GdiTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.objects.end()) return false;
  if (it->second->stock) return true;
  t.objects.erase(it);
  return true;
}

void DrawToDc(GdiDc& dc, int x, int y, int width, int height, const uint32_t* pixels, int stride) {
  int left = std::max<int>(x, dc.clip.left), top = std::max<int>(y, dc.clip.top);
  int right = std::min<int>(x + width, dc.clip.right), bottom = std::min<int>(y + height, dc.clip.bottom);
  if (right <= left || bottom <= top) return;
  const uint32_t* first = pixels + static_cast<size_t>(top - y) * stride + (left - x);
  if (!dc.memory) {
    X11PutImage(dc.xid, dc.origin.x + left, dc.origin.y + top, right - left, bottom - top, first, stride);
    return;
  }
  auto bitmap = LookupGdi<GdiBitmap>(dc.bitmap);
  if (!bitmap) return;
  for (int row = top; row < bottom; ++row)
    std::memcpy(bitmap->Row(row) + left, first + static_cast<size_t>(row - top) * stride,
                static_cast<size_t>(right - left) * 4);
}

}  // namespace kb::platform

using namespace kb::platform;

HDC GetDC(HWND hwnd) {
  auto dc = std::make_shared<GdiDc>();
  dc->hwnd = hwnd;
  if (!hwnd) {
    // The screen: the root window, under every other window.
    dc->xid = X11RootWindow();
    dc->clip = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return reinterpret_cast<HDC>(InsertGdiObject(dc));
  }
  WindowPtr w = FindWindowObject(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  WindowPtr top = TopLevelOf(w);
  POINT a = ClientOrigin(w), b = ClientOrigin(top);
  dc->xid = top->xid;
  dc->origin = POINT{a.x - b.x, a.y - b.y};
  RECT client;
  GetClientRect(hwnd, &client);
  dc->clip = client;
  return reinterpret_cast<HDC>(InsertGdiObject(dc));
}

HDC GetWindowDC(HWND hwnd) { return GetDC(hwnd); }

int ReleaseDC(HWND, HDC hdc) {
  auto dc = LookupGdi<GdiDc>(hdc);
  if (!dc || dc->memory) return 0;
  RemoveGdiObject(hdc);
  return 1;
}

HWND WindowFromDC(HDC hdc) {
  auto dc = LookupGdi<GdiDc>(hdc);
  return dc ? dc->hwnd : nullptr;
}

HDC CreateCompatibleDC(HDC) {
  auto dc = std::make_shared<GdiDc>();
  dc->memory = true;
  // A new memory DC holds a 1x1 bitmap until the caller selects its own.
  auto stockBitmap = std::make_shared<GdiBitmap>();
  stockBitmap->width = stockBitmap->height = 1;
  stockBitmap->pixels.assign(1, 0);
  dc->bitmap = InsertGdiObject(stockBitmap);
  dc->clip = RECT{0, 0, 1, 1};
  return reinterpret_cast<HDC>(InsertGdiObject(dc));
}

BOOL DeleteDC(HDC hdc) {
  auto dc = LookupGdi<GdiDc>(hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return RemoveGdiObject(hdc) ? TRUE : FALSE;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
  if (!info || usage != DIB_RGB_COLORS || section || info->bmiHeader.biBitCount != kBitsPerPixel ||
      info->bmiHeader.biWidth <= 0 || info->bmiHeader.biHeight == 0 ||
      (info->bmiHeader.biCompression != BI_RGB && info->bmiHeader.biCompression != BI_BITFIELDS)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto bitmap = std::make_shared<GdiBitmap>();
  bitmap->width = info->bmiHeader.biWidth;
  bitmap->height = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
  bitmap->bottomUp = info->bmiHeader.biHeight > 0;
  bitmap->pixels.assign(static_cast<size_t>(bitmap->width) * bitmap->height, 0);
  if (bits) *bits = bitmap->pixels.data();
  return InsertGdiObject(bitmap);
}

HBITMAP CreateCompatibleBitmap(HDC, int cx, int cy) {
  if (cx <= 0 || cy <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto bitmap = std::make_shared<GdiBitmap>();
  bitmap->width = cx;
  bitmap->height = cy;
  bitmap->pixels.assign(static_cast<size_t>(cx) * cy, 0);
  return InsertGdiObject(bitmap);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
  auto dc = LookupGdi<GdiDc>(hdc);
  auto object = LookupGdiObject(h);
  if (!dc || !object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (object->kind == GdiKind::kBitmap) {
    if (!dc->memory) return nullptr;
    auto bitmap = std::static_pointer_cast<GdiBitmap>(object);
    HGDIOBJ old = dc->bitmap;
    dc->bitmap = h;
    dc->clip = RECT{0, 0, bitmap->width, bitmap->height};
    return old;
  }
  if (object->kind == GdiKind::kBrush) {
    HGDIOBJ old = dc->brush;
    dc->brush = h;
    return old ? old : GetStockObject(WHITE_BRUSH);
  }
  return nullptr;
}

BOOL DeleteObject(HGDIOBJ h) {
  auto object = LookupGdiObject(h);
  if (!object || object->kind == GdiKind::kDc || object->kind == GdiKind::kIcon) return FALSE;
  return RemoveGdiObject(h) ? TRUE : FALSE;
}

int GetObjectW(HANDLE h, int size, LPVOID out) {
  auto bitmap = LookupGdi<GdiBitmap>(h);
  if (!bitmap) return 0;
  if (!out) return sizeof(DIBSECTION);
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  BITMAP bm{};
  bm.bmWidth = bitmap->width;
  bm.bmHeight = bitmap->height;
  bm.bmWidthBytes = bitmap->width * 4;
  bm.bmPlanes = 1;
  bm.bmBitsPixel = kBitsPerPixel;
  bm.bmBits = bitmap->pixels.data();
  if (size >= static_cast<int>(sizeof(DIBSECTION))) {
    DIBSECTION ds{};
    ds.dsBm = bm;
    ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
    ds.dsBmih.biWidth = bitmap->width;
    ds.dsBmih.biHeight = bitmap->bottomUp ? bitmap->height : -bitmap->height;
    ds.dsBmih.biPlanes = 1;
    ds.dsBmih.biBitCount = kBitsPerPixel;
    ds.dsBmih.biCompression = BI_RGB;
    std::memcpy(out, &ds, sizeof ds);
    return sizeof ds;
  }
  std::memcpy(out, &bm, sizeof bm);
  return sizeof bm;
}

HGDIOBJ GetStockObject(int index) {
  static HGDIOBJ stock[kStockBrushes] = {};
  static std::once_flag once;
  std::call_once(once, [] {
    const COLORREF colors[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64),
                               RGB(0, 0, 0), 0};
    for (int i = 0; i < kStockBrushes; ++i) {
      auto brush = std::make_shared<GdiBrush>();
      brush->color = colors[i];
      brush->hollow = i == NULL_BRUSH;
      brush->stock = true;
      stock[i] = InsertGdiObject(brush);
    }
  });
  if (index < 0 || index >= kStockBrushes) return nullptr;
  return stock[index];
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto brush = std::make_shared<GdiBrush>();
  brush->color = color & 0xFFFFFF;
  return InsertGdiObject(brush);
}

DWORD GetSysColor(int index) { return SysColor(index); }

HBRUSH GetSysColorBrush(int index) {
  auto brush = std::make_shared<GdiBrush>();
  brush->color = SysColor(index);
  brush->stock = true;
  return InsertGdiObject(brush);
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH hbr) {
  auto dc = LookupGdi<GdiDc>(hdc);
  if (!dc || !rect) return 0;
  COLORREF color;
  auto value = reinterpret_cast<uintptr_t>(hbr);
  if (value > 0 && value <= kSysColorBrushMax + 1) {
    color = SysColor(static_cast<int>(value) - 1);  // (HBRUSH)(COLOR_xxx + 1)
  } else {
    auto brush = LookupGdi<GdiBrush>(hbr);
    if (!brush) return 0;
    if (brush->hollow) return 1;
    color = brush->color;
  }
  RECT r{std::max(rect->left, dc->clip.left), std::max(rect->top, dc->clip.top),
         std::min(rect->right, dc->clip.right), std::min(rect->bottom, dc->clip.bottom)};
  if (r.right <= r.left || r.bottom <= r.top) return 1;
  if (!dc->memory) {
    X11FillRect(dc->xid, RECT{r.left + dc->origin.x, r.top + dc->origin.y, r.right + dc->origin.x,
                              r.bottom + dc->origin.y},
                color);
    return 1;
  }
  std::vector<uint32_t> row(static_cast<size_t>(r.right - r.left), PixelOf(color));
  for (LONG y = r.top; y < r.bottom; ++y) DrawToDc(*dc, r.left, y, r.right - r.left, 1, row.data(), 0);
  return 1;
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
  auto dc = LookupGdi<GdiDc>(hdc);
  if (!dc) return FALSE;
  if (rop == BLACKNESS || rop == WHITENESS) {
    RECT r{x, y, x + cx, y + cy};
    return FillRect(hdc, &r, GetStockObject(rop == BLACKNESS ? BLACK_BRUSH : WHITE_BRUSH)) ? TRUE : FALSE;
  }
  auto src = LookupGdi<GdiDc>(hdcSrc);
  if (!src || !src->memory) return FALSE;
  auto bitmap = LookupGdi<GdiBitmap>(src->bitmap);
  if (!bitmap) return FALSE;
  // Only what lies inside the source bitmap is copied.
  int sx = std::max(0, x1), sy = std::max(0, y1);
  int ex = std::min(bitmap->width, x1 + cx), ey = std::min(bitmap->height, y1 + cy);
  if (ex <= sx || ey <= sy) return TRUE;
  std::vector<uint32_t> block(static_cast<size_t>(ex - sx) * (ey - sy));
  for (int row = sy; row < ey; ++row)
    std::memcpy(block.data() + static_cast<size_t>(row - sy) * (ex - sx), bitmap->Row(row) + sx,
                static_cast<size_t>(ex - sx) * 4);
  DrawToDc(*dc, x + (sx - x1), y + (sy - y1), ex - sx, ey - sy, block.data(), ex - sx);
  return TRUE;
}

int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT startScan,
                      UINT lines, const VOID* bits, const BITMAPINFO* info, UINT) {
  auto dc = LookupGdi<GdiDc>(hdc);
  DibView view;
  if (!dc || !ReadDib(info, bits, &view)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // The buffer holds `lines` scan lines starting at `startScan`, counted
  // from the bottom for a bottom-up DIB and from the top for a top-down one.
  view.height = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(view.height)));
  int width = std::min<int>(static_cast<int>(w), view.width - xSrc);
  int height = std::min<int>(static_cast<int>(h), view.height);
  if (width <= 0 || height <= 0 || xSrc < 0) return 0;
  // ySrc names the lower-left corner of the rectangle for a bottom-up DIB.
  int firstRow = view.bottomUp ? view.height - (ySrc - static_cast<int>(startScan)) - height
                               : ySrc - static_cast<int>(startScan);
  int firstVisible = std::max(0, firstRow), lastVisible = std::min(view.height, firstRow + height);
  if (lastVisible <= firstVisible) return 0;
  std::vector<uint32_t> block(static_cast<size_t>(width) * (lastVisible - firstVisible));
  for (int row = firstVisible; row < lastVisible; ++row)
    std::memcpy(block.data() + static_cast<size_t>(row - firstVisible) * width, view.Row(row) + xSrc,
                static_cast<size_t>(width) * 4);
  DrawToDc(*dc, xDest, yDest + (firstVisible - firstRow), width, lastVisible - firstVisible, block.data(), width);
  return lastVisible - firstVisible;
}

int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const VOID* bits, const BITMAPINFO* info, UINT, DWORD) {
  auto dc = LookupGdi<GdiDc>(hdc);
  DibView view;
  if (!dc || !ReadDib(info, bits, &view) || destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 ||
      srcHeight <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int top = view.bottomUp ? view.height - ySrc - srcHeight : ySrc;
  std::vector<uint32_t> block(static_cast<size_t>(destWidth) * destHeight, 0);
  for (int y = 0; y < destHeight; ++y) {
    int sy = top + static_cast<int>(static_cast<int64_t>(y) * srcHeight / destHeight);
    if (sy < 0 || sy >= view.height) continue;
    const uint32_t* row = view.Row(sy);
    for (int x = 0; x < destWidth; ++x) {
      int sx = xSrc + static_cast<int>(static_cast<int64_t>(x) * srcWidth / destWidth);
      if (sx >= 0 && sx < view.width) block[static_cast<size_t>(y) * destWidth + x] = row[sx];
    }
  }
  DrawToDc(*dc, xDest, yDest, destWidth, destHeight, block.data(), destWidth);
  return destHeight;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  auto dc = LookupGdi<GdiDc>(hdc);
  if (!dc || x < dc->clip.left || y < dc->clip.top || x >= dc->clip.right || y >= dc->clip.bottom)
    return CLR_INVALID;
  uint32_t p = 0;
  if (dc->memory) {
    auto bitmap = LookupGdi<GdiBitmap>(dc->bitmap);
    if (!bitmap) return CLR_INVALID;
    p = bitmap->Row(y)[x];
  } else if (!X11GetPixel(dc->xid, dc->origin.x + x, dc->origin.y + y, &p)) {
    return CLR_INVALID;
  }
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

BOOL GdiFlush() { return TRUE; }

int GetDeviceCaps(HDC, int index) {
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return static_cast<int>(GetDpiForSystem());
    case BITSPIXEL: return kBitsPerPixel;
    case HORZRES: return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES: return GetSystemMetrics(SM_CYSCREEN);
    default: return 0;
  }
}
