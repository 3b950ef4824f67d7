#include "toolkit/window/STipWnd.h"

#include "toolkit/core/SApplication.h"
#include "toolkit/render/Canvas.h"
#include "toolkit/render/FontRegistry.h"
#include "toolkit/render/TextLayout.h"

namespace kb::ui {

namespace {

constexpr int kPadding = 5;
constexpr int kCursorOffsetY = 20;
constexpr Color kTipBackground = Color::Rgb(0xfb, 0xfb, 0xf2);
constexpr Color kTipBorder = Color::Rgb(0x76, 0x76, 0x76);
constexpr Color kTipText = Color::Rgb(0x1e, 0x1e, 0x1e);
constexpr unsigned kTipFormat = render::kTextWordBreak | render::kTextLeft | render::kTextTop;

std::shared_ptr<const render::Font> TipFont() {
  if (SApplication* app = SApplication::Instance()) return app->Fonts().GetDefault();
  return render::FontRegistry::Instance().GetFont(render::FontSpec{});
}

}  // namespace

Size STipWnd::Measure(const std::wstring& text) {
  Size s = render::MeasureText(*TipFont(), text, kTipFormat, STipWnd::kMaxWidth - 2 * kPadding);
  return Size{s.cx + 2 * kPadding, s.cy + 2 * kPadding};
}

void STipWnd::Render(const std::wstring& text, render::Bitmap& out, int dpi) {
  const render::DeviceScale scale(dpi);
  Size size = Measure(text);
  const Rect box{0, 0, size.cx, size.cy};
  Size device = scale.ToDevice(size);
  out.Reset(device.cx, device.cy);
  render::Canvas canvas(out, scale);
  canvas.Clear(kTipBackground);
  canvas.FrameRect(box, kTipBorder);
  canvas.DrawString(*TipFont(), text, box.Deflate(kPadding, kPadding, kPadding, kPadding), kTipText, kTipFormat);
}

void STipWnd::Show(HWND owner, const std::wstring& text, Point cursor, int dpi) {
  text_ = text;
  Render(text_, bitmap_, dpi);
  if (!hwnd_) {
    Create(L"", WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, 0, 0, bitmap_.Width(), bitmap_.Height(), owner);
    if (!hwnd_) return;
  }
  RECT screen = {};
  ::GetWindowRect(::GetDesktopWindow(), &screen);
  int x = cursor.x;
  int y = cursor.y + render::DeviceScale(dpi).ToDevice(kCursorOffsetY);
  if (x + bitmap_.Width() > screen.right) x = screen.right - bitmap_.Width();
  if (y + bitmap_.Height() > screen.bottom) y = cursor.y - bitmap_.Height() - 4;
  if (x < screen.left) x = screen.left;
  ::SetWindowPos(hwnd_, HWND_TOPMOST, x, y, bitmap_.Width(), bitmap_.Height(), SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::InvalidateRect(hwnd_, nullptr, FALSE);
  shown_ = true;
}

void STipWnd::Hide() {
  if (hwnd_ && shown_) ::ShowWindow(hwnd_, SW_HIDE);
  shown_ = false;
}

bool STipWnd::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = bitmap_.Width();
    bi.bmiHeader.biHeight = -bitmap_.Height();
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    if (!bitmap_.IsEmpty())
      ::SetDIBitsToDevice(dc, 0, 0, bitmap_.Width(), bitmap_.Height(), 0, 0, 0, bitmap_.Height(), bitmap_.Pixels(), &bi,
                          DIB_RGB_COLORS);
    ::EndPaint(hwnd, &ps);
    result = 0;
    return true;
  }
  if (msg == WM_ERASEBKGND) {
    result = 1;
    return true;
  }
  if (msg == WM_MOUSEACTIVATE) {
    result = MA_NOACTIVATE;
    return true;
  }
  return false;
}

}  // namespace kb::ui
