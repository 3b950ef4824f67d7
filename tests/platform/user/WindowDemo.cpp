// A small program on the window layer alone: it opens a window and paints a
// bitmap into it, shows the clicks and keys it gets, keeps an icon in the
// notification area (left click hides and shows the window, right click
// quits), reports device arrivals and removals, and runs once: a second start
// brings the first one's window forward through its window property, as the
// configuration program does. "-hid" starts with the window hidden.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/diag.h"
#include "platform/win32.h"

namespace {

constexpr wchar_t kAppName[] = L"KbWindowDemo";
constexpr wchar_t kClassName[] = L"KbWindowDemoWindow";
constexpr UINT kTrayCallback = WM_APP + 1;
constexpr UINT kTrayId = 1;
constexpr int kIconSize = 16;
constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kTextScale = 2;
constexpr uint32_t kBackgroundTop = 0xFF1E2A3Au;
constexpr uint32_t kBackgroundBottom = 0xFF3A5070u;
constexpr uint32_t kKeyColour = 0xFF5E7896u;
constexpr uint32_t kKeyLit = 0xFFF0B030u;
constexpr uint32_t kTextColour = 0xFFF4F4F4u;
constexpr uint32_t kClickColour = 0xFF40D070u;
constexpr size_t kKeptClicks = 8;
constexpr size_t kKeptText = 28;
const GUID kHidClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// A 5x7 font: each glyph is seven rows of five bits, high bit on the left.
struct Glyph {
  char c;
  uint8_t rows[kGlyphHeight];
};
constexpr Glyph kFont[] = {
    {'A', {14, 17, 17, 31, 17, 17, 17}}, {'B', {30, 17, 17, 30, 17, 17, 30}}, {'C', {14, 17, 16, 16, 16, 17, 14}},
    {'D', {30, 17, 17, 17, 17, 17, 30}}, {'E', {31, 16, 16, 30, 16, 16, 31}}, {'F', {31, 16, 16, 30, 16, 16, 16}},
    {'G', {14, 17, 16, 23, 17, 17, 15}}, {'H', {17, 17, 17, 31, 17, 17, 17}}, {'I', {14, 4, 4, 4, 4, 4, 14}},
    {'J', {7, 2, 2, 2, 2, 18, 12}},      {'K', {17, 18, 20, 24, 20, 18, 17}}, {'L', {16, 16, 16, 16, 16, 16, 31}},
    {'M', {17, 27, 21, 21, 17, 17, 17}}, {'N', {17, 17, 25, 21, 19, 17, 17}}, {'O', {14, 17, 17, 17, 17, 17, 14}},
    {'P', {30, 17, 17, 30, 16, 16, 16}}, {'Q', {14, 17, 17, 17, 21, 18, 13}}, {'R', {30, 17, 17, 30, 20, 18, 17}},
    {'S', {15, 16, 16, 14, 1, 1, 30}},   {'T', {31, 4, 4, 4, 4, 4, 4}},       {'U', {17, 17, 17, 17, 17, 17, 14}},
    {'V', {17, 17, 17, 17, 17, 10, 4}},  {'W', {17, 17, 17, 21, 21, 21, 10}}, {'X', {17, 17, 10, 4, 10, 17, 17}},
    {'Y', {17, 17, 10, 4, 4, 4, 4}},     {'Z', {31, 1, 2, 4, 8, 16, 31}},     {'0', {14, 17, 19, 21, 25, 17, 14}},
    {'1', {4, 12, 4, 4, 4, 4, 14}},      {'2', {14, 17, 1, 2, 4, 8, 31}},     {'3', {31, 2, 4, 2, 1, 17, 14}},
    {'4', {2, 6, 10, 18, 31, 2, 2}},     {'5', {31, 16, 30, 1, 1, 17, 14}},   {'6', {6, 8, 16, 30, 17, 17, 14}},
    {'7', {31, 1, 2, 4, 8, 8, 8}},       {'8', {14, 17, 17, 14, 17, 17, 14}}, {'9', {14, 17, 17, 15, 1, 2, 12}},
    {':', {0, 12, 12, 0, 12, 12, 0}},    {'.', {0, 0, 0, 0, 0, 12, 12}},      {',', {0, 0, 0, 0, 12, 4, 8}},
    {'-', {0, 0, 0, 31, 0, 0, 0}},       {'_', {0, 0, 0, 0, 0, 0, 31}},       {'#', {10, 10, 31, 10, 31, 10, 10}},
    {'&', {12, 18, 20, 8, 21, 18, 13}},  {'?', {14, 17, 1, 2, 4, 0, 4}},      {'!', {4, 4, 4, 4, 4, 0, 4}},
    {'/', {1, 1, 2, 4, 8, 16, 16}},      {'\\', {16, 16, 8, 4, 2, 1, 1}},     {'(', {2, 4, 8, 8, 8, 4, 2}},
    {')', {8, 4, 2, 2, 2, 4, 8}},        {'+', {0, 4, 4, 31, 4, 4, 0}},       {'=', {0, 0, 31, 0, 31, 0, 0}},
    {'{', {2, 4, 4, 8, 4, 4, 2}},        {'}', {8, 4, 4, 2, 4, 4, 8}},        {'<', {2, 4, 8, 16, 8, 4, 2}},
    {'>', {8, 4, 2, 1, 2, 4, 8}},        {'*', {0, 4, 21, 14, 21, 4, 0}},
};

struct Demo {
  HWND hwnd = nullptr;
  int width = 0;
  int height = 0;
  std::vector<uint32_t> frame;
  std::vector<POINT> clicks;
  std::wstring typed;
  std::wstring lastKey;
  std::wstring trayLine = L"TRAY: -";
  std::wstring deviceLine = L"DEVICE: -";
  HICON icon = nullptr;
  UINT taskbarCreated = 0;
  bool litKeys[4][12] = {};
};

Demo demo;

void Fill(int x, int y, int w, int h, uint32_t colour) {
  for (int row = std::max(0, y); row < std::min(demo.height, y + h); ++row)
    for (int col = std::max(0, x); col < std::min(demo.width, x + w); ++col)
      demo.frame[static_cast<size_t>(row) * demo.width + col] = colour;
}

void DrawText(int x, int y, const std::wstring& text, uint32_t colour) {
  for (wchar_t wc : text) {
    char c = static_cast<char>(wc >= L'a' && wc <= L'z' ? wc - L'a' + L'A' : (wc < 128 ? wc : L'?'));
    for (const Glyph& g : kFont) {
      if (g.c != c) continue;
      for (int row = 0; row < kGlyphHeight; ++row)
        for (int col = 0; col < kGlyphWidth; ++col)
          if (g.rows[row] & (1 << (kGlyphWidth - 1 - col)))
            Fill(x + col * kTextScale, y + row * kTextScale, kTextScale, kTextScale, colour);
    }
    x += (kGlyphWidth + 1) * kTextScale;
  }
}

void Render() {
  for (int y = 0; y < demo.height; ++y) {
    // A vertical gradient between the two background colours.
    uint32_t t = demo.height > 1 ? static_cast<uint32_t>(y * 255 / (demo.height - 1)) : 0;
    auto mix = [t](uint32_t a, uint32_t b, int shift) {
      return ((((a >> shift) & 0xFF) * (255 - t) + ((b >> shift) & 0xFF) * t) / 255) << shift;
    };
    uint32_t c = 0xFF000000u | mix(kBackgroundTop, kBackgroundBottom, 16) | mix(kBackgroundTop, kBackgroundBottom, 8) |
                 mix(kBackgroundTop, kBackgroundBottom, 0);
    std::fill(demo.frame.begin() + static_cast<std::ptrdiff_t>(y) * demo.width,
              demo.frame.begin() + static_cast<std::ptrdiff_t>(y + 1) * demo.width, c);
  }
  DrawText(16, 14, L"KBCONFIG WINDOW DEMO", kTextColour);
  // A little keyboard; the last key typed lights its column.
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 12; ++col)
      Fill(16 + col * 36 + row * 8, 50 + row * 34, 30, 28, demo.litKeys[row][col] ? kKeyLit : kKeyColour);
  std::wstring clicks = L"CLICKS: " + std::to_wstring(demo.clicks.size());
  if (!demo.clicks.empty())
    clicks += L"  LAST " + std::to_wstring(demo.clicks.back().x) + L"," + std::to_wstring(demo.clicks.back().y);
  DrawText(16, 196, clicks, kTextColour);
  DrawText(16, 216, L"TYPED: " + demo.typed, kTextColour);
  DrawText(16, 236, demo.trayLine, kTextColour);
  DrawText(16, 256, demo.deviceLine.substr(0, 40), kTextColour);
  for (const POINT& p : demo.clicks) Fill(p.x - 3, p.y - 3, 7, 7, kClickColour);
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  Render();
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = demo.width;
  bi.bmiHeader.biHeight = -demo.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  if (demo.width > 0 && demo.height > 0)
    SetDIBitsToDevice(dc, 0, 0, demo.width, demo.height, 0, 0, 0, demo.height, demo.frame.data(), &bi,
                      DIB_RGB_COLORS);
  EndPaint(hwnd, &ps);
}

HICON MakeIcon() {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = kIconSize;
  bi.bmiHeader.biHeight = -kIconSize;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* px = static_cast<uint32_t*>(bits);
  for (int y = 0; y < kIconSize; ++y)
    for (int x = 0; x < kIconSize; ++x) {
      bool frame = y >= 3 && y <= 12 && x >= 1 && x <= 14;
      bool key = frame && y >= 5 && y <= 10 && x >= 3 && x <= 12 && (x % 3 != 2) && (y % 3 != 1);
      px[y * kIconSize + x] = key ? 0xFFF0B030u : frame ? 0xFF3A5070u : 0;
    }
  void* maskBits = nullptr;
  HBITMAP mask = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &maskBits, nullptr, 0);
  ICONINFO info{TRUE, 0, 0, mask, color};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(color);
  DeleteObject(mask);
  return icon;
}

NOTIFYICONDATAW TrayData() {
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = demo.hwnd;
  nid.uID = kTrayId;
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = kTrayCallback;
  nid.hIcon = demo.icon;
  wcsncpy(nid.szTip, L"kbconfig window demo", 127);
  return nid;
}

void OnTray(HWND hwnd, LPARAM mouse) {
  if (mouse == WM_LBUTTONUP) {
    if (IsWindowVisible(hwnd)) {
      ShowWindow(hwnd, SW_HIDE);
    } else {
      ShowWindow(hwnd, SW_SHOW);
      SetForegroundWindow(hwnd);
    }
    demo.trayLine = L"TRAY: LEFT CLICK";
  } else if (mouse == WM_RBUTTONUP) {
    DestroyWindow(hwnd);
    return;
  } else {
    return;
  }
  InvalidateRect(hwnd, nullptr, FALSE);
}

void OnDeviceChange(HWND hwnd, WPARAM event, LPARAM lParam) {
  auto* b = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(lParam);
  if (!b || b->dbcc_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
  std::wstring name = b->dbcc_name;
  size_t cut = name.find(L'#', 8);
  demo.deviceLine = std::wstring(event == DBT_DEVICEARRIVAL ? L"ARRIVED " : L"REMOVED ") + name.substr(4, cut - 4);
  InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT CALLBACK DemoProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == demo.taskbarCreated && demo.taskbarCreated) {
    NOTIFYICONDATAW nid = TrayData();
    Shell_NotifyIconW(NIM_ADD, &nid);
    return 0;
  }
  switch (message) {
    case WM_SIZE:
      demo.width = LOWORD(lParam);
      demo.height = HIWORD(lParam);
      demo.frame.assign(static_cast<size_t>(demo.width) * demo.height, 0);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_PAINT: Paint(hwnd); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN:
      demo.clicks.push_back(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (demo.clicks.size() > kKeptClicks) demo.clicks.erase(demo.clicks.begin());
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_KEYDOWN:
      std::fill(&demo.litKeys[0][0], &demo.litKeys[0][0] + 48, false);
      demo.litKeys[(wParam / 12) % 4][wParam % 12] = true;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_CHAR:
      if (wParam == L'\b') {
        if (!demo.typed.empty()) demo.typed.pop_back();
      } else if (wParam >= L' ') {
        demo.typed.push_back(static_cast<wchar_t>(wParam));
        if (demo.typed.size() > kKeptText) demo.typed.erase(demo.typed.begin());
      }
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case kTrayCallback: OnTray(hwnd, lParam); return 0;
    case WM_DEVICECHANGE: OnDeviceChange(hwnd, wParam, lParam); return TRUE;
    case WM_DESTROY: {
      RemovePropW(hwnd, kAppName);
      NOTIFYICONDATAW nid = TrayData();
      Shell_NotifyIconW(NIM_DELETE, &nid);
      PostQuitMessage(0);
      return 0;
    }
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

// The second start: every window carrying the property is restored if
// minimised, shown if hidden and brought to the front.
int BringFirstForward() {
  int found = 0;
  for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); IsWindow(h); h = GetWindow(h, GW_HWNDNEXT)) {
    if (!GetPropW(h, kAppName)) continue;
    ++found;
    if (IsIconic(h)) ShowWindow(h, SW_RESTORE);
    if (!IsWindowVisible(h)) ShowWindow(h, SW_SHOW);
    SetForegroundWindow(h);
  }
  kb::DiagPrintf("window demo: already running, brought %d window(s) forward\n", found);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  OleInitialize(nullptr);
  HANDLE single = CreateMutexW(nullptr, TRUE, kAppName);
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    int code = BringFirstForward();
    CloseHandle(single);
    OleUninitialize();
    return code;
  }
  bool hidden = argc > 1 && std::strcmp(argv[1], "-hid") == 0;

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DemoProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_HAND);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);
  demo.taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  demo.hwnd = CreateWindowExW(0, kClassName, L"kbconfig window demo", WS_OVERLAPPEDWINDOW, 120, 120, 480, 290,
                              nullptr, nullptr, wc.hInstance, nullptr);
  if (!demo.hwnd) return 1;
  SetPropW(demo.hwnd, kAppName, reinterpret_cast<HANDLE>(1));
  demo.icon = MakeIcon();
  NOTIFYICONDATAW nid = TrayData();
  // A taskbar that is not there yet asks for the icon with "TaskbarCreated".
  if (Shell_NotifyIconW(NIM_ADD, &nid)) demo.trayLine = L"TRAY: ICON ADDED";

  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kHidClass;
  RegisterDeviceNotificationW(demo.hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);

  ShowWindow(demo.hwnd, hidden ? SW_HIDE : SW_SHOWNORMAL);
  UpdateWindow(demo.hwnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  DestroyIcon(demo.icon);
  CloseHandle(single);
  OleUninitialize();
  return static_cast<int>(msg.wParam);
}
