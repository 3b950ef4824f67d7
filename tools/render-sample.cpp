// Draws a sample of what the toolkit's renderer can do (fills, frames, images,
// nine-patch, English and Chinese text) and writes it as a PNG, so the output
// of the Linux and the Windows build can be looked at and compared.
//
//   render-sample [output.png]      (default: render-sample.png)
#include <cstdio>
#include <string>
#include <vector>

#include "platform/text.h"
#include "toolkit/render/Canvas.h"
#include "toolkit/render/FontRegistry.h"
#include "toolkit/render/PngEncoder.h"

namespace {

using namespace kb::render;

// A small rounded "button" image with a 4-pixel border, drawn here so the
// sample needs no files: two frames side by side (normal, hover).
Bitmap MakeButtonImage() {
  Bitmap image(32, 16);
  Canvas canvas(image);
  const Color borders[2] = {Color::Rgb(0x3A, 0x6E, 0xA5), Color::Rgb(0xE0, 0x7B, 0x20)};
  const Color fills[2] = {Color::Rgb(0xDD, 0xE8, 0xF5), Color::Rgb(0xFF, 0xF0, 0xD8)};
  for (int frame = 0; frame < 2; ++frame) {
    Rect r = Rect::FromSize(frame * 16, 0, 16, 16);
    canvas.FillRect(r.Deflate(1, 1, 1, 1), fills[frame]);
    canvas.FrameRect(r.Deflate(1, 0, 1, 0), borders[frame]);
    canvas.FrameRect(r.Deflate(0, 1, 0, 1), borders[frame]);
  }
  return image;
}

Bitmap MakeGradient() {
  Bitmap image(4, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      image.Set(x, y, Premultiply(Color::Rgba(static_cast<uint8_t>(x * 85), 40, static_cast<uint8_t>(y * 85), 255)));
    }
  }
  return image;
}

void DrawSample(Canvas& canvas) {
  FontRegistry& fonts = FontRegistry::Instance();
  auto regular = fonts.GetFont(FontSpec{L"DejaVu Sans", 14});
  auto bold = fonts.GetFont(FontSpec{L"DejaVu Sans", 16, true});
  auto styled = fonts.GetFont(FontSpec{L"DejaVu Sans", 13, false, true, true});
  auto chinese = fonts.GetFont(FontSpec{L"Microsoft YaHei", 16});

  canvas.Clear(Color::Rgb(0xF4, 0xF6, 0xF8));
  canvas.FillRect(Rect{0, 0, 480, 28}, Color::Rgb(0x26, 0x32, 0x38));
  canvas.DrawString(*bold, L"KbConfig renderer sample", Rect{10, 0, 470, 28}, Color::Rgb(255, 255, 255));

  const Color ink = Color::Rgb(0x20, 0x20, 0x20);
  canvas.DrawString(*regular, L"English: The quick brown fox jumps over the lazy dog.", Rect{10, 36, 470, 56}, ink);
  canvas.DrawString(*chinese, L"中文：键盘灯光效果、宏设置、恢复出厂设置", Rect{10, 58, 470, 82}, ink);
  canvas.DrawString(*regular, L"Mixed 混合文本 with fallback 字体 ✓", Rect{10, 84, 470, 104}, ink);
  canvas.DrawString(*styled, L"Italic and underlined (synthesised)", Rect{10, 106, 470, 126},
                    Color::Rgb(0x1A, 0x5F, 0xB4));

  Rect ellipsisBox{10, 130, 200, 150};
  canvas.FrameRect(ellipsisBox.Deflate(-1, -1, -1, -1), Color::Rgb(0xB0, 0xB0, 0xB0));
  canvas.DrawString(*regular, L"This line is far too long for its box", ellipsisBox, ink,
                    kTextSingleLine | kTextVCenter | kTextEndEllipsis);
  Rect wrapBox{10, 156, 200, 196};
  canvas.FrameRect(wrapBox.Deflate(-1, -1, -1, -1), Color::Rgb(0xB0, 0xB0, 0xB0));
  canvas.DrawString(*chinese, L"自动换行：这是一段很长的中文文本用于测试", wrapBox, ink,
                    kTextWordBreak | kTextEndEllipsis);

  Bitmap button = MakeButtonImage();
  Margins border{4, 4, 4, 4};
  Rect normal{220, 130, 340, 160};
  Rect hover{350, 130, 470, 160};
  canvas.DrawImageListState(button, 2, 0, false, normal, border);
  canvas.DrawImageListState(button, 2, 1, false, hover, border);
  canvas.DrawString(*regular, L"确定 OK", normal, ink, kTextSingleLine | kTextVCenter | kTextCenter);
  canvas.DrawString(*regular, L"Cancel 取消", hover, ink, kTextSingleLine | kTextVCenter | kTextCenter);

  Bitmap gradient = MakeGradient();
  canvas.StretchBitmap(gradient, gradient.Bounds(), Rect{220, 166, 300, 196});
  canvas.StretchBitmap(gradient, gradient.Bounds(), Rect{306, 166, 386, 196}, 255, StretchFilter::kNearest);
  canvas.FillRect(Rect{392, 166, 470, 196}, Color::Rgba(0xE0, 0x30, 0x30, 128));
  canvas.DrawFocusRect(Rect{390, 164, 472, 198}, ink);
}

// Which font files were used, so the two builds can be seen to agree.
void ReportFaces() {
  FontRegistry& fonts = FontRegistry::Instance();
  for (const std::wstring& name : {std::wstring(L"DejaVu Sans"), std::wstring(L"Noto Sans CJK SC")}) {
    auto face = fonts.FindFace(name, false, false);
    std::printf("render-sample: %s -> %s\n", kb::WideToUtf8(name).c_str(),
                face ? face->Origin().c_str() : "(not installed)");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "render-sample.png";
  Bitmap bitmap(480, 204);
  Canvas canvas(bitmap);
  DrawSample(canvas);
  ReportFaces();
  std::vector<uint8_t> png = EncodePng(bitmap);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || png.empty()) {
    std::fprintf(stderr, "render-sample: cannot write %s\n", path.c_str());
    if (file != nullptr) std::fclose(file);
    return 1;
  }
  bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  written = std::fclose(file) == 0 && written;
  std::printf("render-sample: %s %s (%zu bytes)\n", written ? "wrote" : "failed to write", path.c_str(), png.size());
  return written ? 0 : 1;
}
