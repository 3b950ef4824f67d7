// Icons made from bitmaps and read from .ico files, system cursors, and
// layered windows drawn by UpdateLayeredWindow.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "UserTestSupport.h"
#include "platform/path.h"
#include "platform/text.h"

namespace kbtest {

namespace {

constexpr int kSize = 8;

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

void Put16(std::vector<uint8_t>& d, uint16_t v) {
  d.push_back(static_cast<uint8_t>(v));
  d.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& d, uint32_t v) {
  for (int i = 0; i < 4; ++i) d.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// An .ico file with one 8x8 32-bit image: the top row red, the rest of the
// left half opaque blue, the right half fully transparent.
std::vector<uint8_t> IconFile() {
  std::vector<uint8_t> d;
  const uint32_t imageSize = 40 + kSize * kSize * 4 + kSize * 4;
  Put16(d, 0);
  Put16(d, 1);  // icon
  Put16(d, 1);  // one image
  d.push_back(kSize);
  d.push_back(kSize);
  d.push_back(0);
  d.push_back(0);
  Put16(d, 1);
  Put16(d, 32);
  Put32(d, imageSize);
  Put32(d, 6 + 16);
  Put32(d, 40);
  Put32(d, kSize);
  Put32(d, kSize * 2);  // colour and mask
  Put16(d, 1);
  Put16(d, 32);
  Put32(d, 0);
  Put32(d, kSize * kSize * 4);
  Put32(d, 0);
  Put32(d, 0);
  Put32(d, 0);
  Put32(d, 0);
  for (int row = kSize - 1; row >= 0; --row)  // bottom-up
    for (int x = 0; x < kSize; ++x) {
      uint32_t px = x >= kSize / 2 ? 0x00000000u : row == 0 ? 0xFFFF0000u : 0xFF0000FFu;
      Put32(d, px);
    }
  for (int row = 0; row < kSize; ++row) Put32(d, 0);  // AND mask, unused with alpha
  return d;
}

}  // namespace

TEST(IconTest, CreateIconIndirectAndGetIconInfoRoundTrip) {
  BITMAPINFO bi = TopDown32(kSize, kSize);
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  for (int i = 0; i < kSize * kSize; ++i) static_cast<uint32_t*>(bits)[i] = i < kSize ? 0xFF00FF00u : 0xFF102030u;
  void* maskBits = nullptr;
  HBITMAP mask = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &maskBits, nullptr, 0);
  ICONINFO in{TRUE, 0, 0, mask, color};
  HICON icon = CreateIconIndirect(&in);
  ASSERT_NE(icon, nullptr);
  DeleteObject(color);  // the icon keeps its own copy
  DeleteObject(mask);
  ICONINFO out{};
  ASSERT_TRUE(GetIconInfo(icon, &out));
  EXPECT_TRUE(out.fIcon);
  BITMAP bm{};
  ASSERT_EQ(GetObjectW(out.hbmColor, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, kSize);
  EXPECT_EQ(bm.bmHeight, kSize);
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, out.hbmColor);
  EXPECT_EQ(GetPixel(mem, 1, 0), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(mem, 1, 5), RGB(0x10, 0x20, 0x30));
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(out.hbmColor);
  DeleteObject(out.hbmMask);
  EXPECT_TRUE(DestroyIcon(icon));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DestroyIcon(icon));
}

HICON SolidIcon(int size, uint32_t argb) {
  BITMAPINFO bi = TopDown32(size, size);
  void* bits = nullptr;
  void* maskBits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HBITMAP mask = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &maskBits, nullptr, 0);
  for (int i = 0; i < size * size; ++i) static_cast<uint32_t*>(bits)[i] = argb;
  ICONINFO in{TRUE, 0, 0, mask, color};
  HICON icon = CreateIconIndirect(&in);
  DeleteObject(color);
  DeleteObject(mask);
  return icon;
}

// The window manager and taskbars read a window's icons from _NET_WM_ICON:
// the class's big and small icon, then what WM_SETICON gives.
TEST(IconTest, ClassIconsAndSetIconReachTheWindowManager) {
  if (UnderWine()) GTEST_SKIP() << "xprop is out of reach here (scripts/package-test checks Wine's icons)";
  HICON big = SolidIcon(32, 0xFF2060C0u), small = SolidIcon(16, 0xFFC06020u), other = SolidIcon(24, 0xFF20C060u);
  ASSERT_TRUE(big && small && other);
  std::wstring className = UniqueName(L"KbIconClass");
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = big;
  wc.hIconSm = small;
  wc.lpszClassName = className.c_str();
  ASSERT_NE(RegisterClassExW(&wc), 0);
  HWND hwnd = CreateWindowExW(0, className.c_str(), L"icon test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                              nullptr, wc.hInstance, nullptr);
  ASSERT_NE(hwnd, nullptr);
  auto icons = [&](const char* sizes) {
    // -f: the numbers, not xprop's picture of the icons.
    std::string command = "xprop -id " + kb::WideToUtf8(HandleText(hwnd)) +
                          " -f _NET_WM_ICON 32c _NET_WM_ICON | grep -q -- '" + sizes + "'";
    return PumpUntil([&] { return RunTool(command); }, 5000);
  };
  EXPECT_TRUE(icons("= 32, 32, "));
  EXPECT_TRUE(icons(", 16, 16, "));
  EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_SMALL2, 0), reinterpret_cast<LRESULT>(small));

  // WM_SETICON answers with the icon it replaces (none set before).
  EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(other)), 0);
  EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(other));
  EXPECT_TRUE(icons("= 24, 24, "));
  EXPECT_TRUE(icons(", 16, 16, "));
  EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(other));
  EXPECT_TRUE(icons("= 32, 32, "));

  DestroyWindow(hwnd);
  UnregisterClassW(className.c_str(), wc.hInstance);
  for (HICON icon : {big, small, other}) DestroyIcon(icon);
}

TEST(IconTest, LoadImageReadsAnIconFile) {
  wchar_t folder[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, folder), 0u);
  std::wstring path = kb::PathJoin(folder, UniqueName(L"kbtest") + L".ico");
  {
    std::vector<uint8_t> bytes = IconFile();
    FILE* f = std::fopen(kb::WideToUtf8(path).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  auto icon = static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, kSize, kSize, LR_LOADFROMFILE));
  std::remove(kb::WideToUtf8(path).c_str());
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, info.hbmColor);
  EXPECT_EQ(GetPixel(mem, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(mem, 1, 4), RGB(0, 0, 255));
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);

  SetLastError(0xdeadbeef);
  std::wstring missing = kb::PathJoin(folder, UniqueName(L"missing") + L".ico");
  EXPECT_EQ(LoadImageW(nullptr, missing.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
  EXPECT_NE(GetLastError(), 0u);
}

TEST(CursorTest, SystemCursorsAndSetCursor) {
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  HCURSOR beam = LoadCursorW(nullptr, IDC_IBEAM);
  ASSERT_NE(arrow, nullptr);
  ASSERT_NE(hand, nullptr);
  ASSERT_NE(beam, nullptr);
  EXPECT_NE(arrow, hand);
  EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW), arrow);  // shared, the same each time
  SetCursor(arrow);
  EXPECT_EQ(SetCursor(hand), arrow);
  EXPECT_EQ(GetCursor(), hand);
  EXPECT_EQ(SetCursor(beam), hand);
}

TEST(LayeredWindowTest, UpdateLayeredWindowShowsTheBitmapWithoutPaintMessages) {
  constexpr int kWidth = 40, kHeight = 30;
  HWND hwnd = CreateLoggingWindow(WS_POPUP, WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, nullptr, L"layered",
                                  500, 400, kWidth, kHeight);
  ASSERT_NE(hwnd, nullptr);
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = TopDown32(kWidth, kHeight);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) static_cast<uint32_t*>(bits)[y * kWidth + x] = y < kHeight / 2 ? 0xFF00C000u : 0xFFC00000u;
  HGDIOBJ old = SelectObject(mem, bitmap);
  POINT dst{520, 410}, src{0, 0};
  SIZE size{kWidth, kHeight};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ASSERT_TRUE(UpdateLayeredWindow(hwnd, screen, &dst, &size, mem, &src, 0, &blend, ULW_ALPHA));
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  PumpFor(300);
  RECT r;
  ASSERT_TRUE(GetWindowRect(hwnd, &r));
  EXPECT_EQ(r.left, 520);
  EXPECT_EQ(r.top, 410);
  EXPECT_FALSE(Log().Saw(hwnd, WM_PAINT));
  // A layered window has no surface of its own to read; what it shows is on the screen.
  EXPECT_EQ(GetPixel(screen, 523, 413), RGB(0, 0xC0, 0));
  EXPECT_EQ(GetPixel(screen, 523, 410 + kHeight - 3), RGB(0xC0, 0, 0));
  SelectObject(mem, old);
  DeleteObject(bitmap);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  DestroyWindow(hwnd);
  // Only layered windows take it.
  HWND plain = CreateLoggingWindow(WS_POPUP);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(UpdateLayeredWindow(plain, nullptr, &dst, &size, nullptr, nullptr, 0, nullptr, ULW_OPAQUE));
  DestroyWindow(plain);
}

}  // namespace kbtest
