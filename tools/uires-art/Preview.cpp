#include "Preview.h"

#include <algorithm>
#include <memory>

#include <pugixml.hpp>

#include "platform/path.h"
#include "platform/text.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/core/SResProviderFiles.h"
#include "toolkit/render/Canvas.h"
#include "toolkit/render/FontRegistry.h"

namespace kb::art {

namespace {

using render::Bitmap;
using render::Canvas;
using render::Color;
using render::Rect;

constexpr int kSheetWidth = 1240;
constexpr int kMargin = 16;
constexpr int kGap = 6;
constexpr int kLabelHeight = 20;
constexpr int kMaxFrameWidth = 500;
// Drawn skins without a size of their own are shown at these sizes.
constexpr ui::Size kPlateSize{96, 28};
constexpr ui::Size kGlyphSize{28, 28};

struct Item {
  std::string name;
  const ui::ISkinObj* skin;
  ui::Size frame;
  float scale;
  Rect box;  // frames area, below the label
};

// Transparent pixels show as a dark checkerboard.
void Checker(Canvas& canvas, const Rect& r) {
  for (int y = r.top; y < r.bottom; y += 6)
    for (int x = r.left; x < r.right; x += 6) {
      bool dark = ((x - r.left) / 6 + (y - r.top) / 6) % 2 == 0;
      Rect cell{x, y, std::min(x + 6, r.right), std::min(y + 6, r.bottom)};
      canvas.FillRect(cell, dark ? Color::Rgb(0x1b, 0x1e, 0x24) : Color::Rgb(0x24, 0x27, 0x2e));
    }
}

ui::Size FrameSize(const ui::ISkinObj& skin, const pugi::xml_node& node) {
  ui::Size size = skin.GetSkinSize();
  if (size.cx > 0 && size.cy > 0) return size;
  std::string kind = node.attribute("kind").as_string();
  bool glyph = kind == "wndbtn" || kind == "arrow" || kind == "check" || kind == "radio" || kind == "msgicon";
  return glyph ? kGlyphSize : kPlateSize;
}

std::vector<Item> Arrange(const ui::SApplication& app, const pugi::xml_node& table, std::vector<std::string>& problems,
                          int& height) {
  std::vector<Item> items;
  int x = kMargin, y = kMargin, rowHeight = 0;
  for (pugi::xml_node node : table.children()) {
    std::string name = node.attribute("name").as_string();
    const ui::ISkinObj* skin = app.GetSkin(Utf8ToWide(name));
    if (!skin) {
      problems.push_back(name + ": does not load");
      continue;
    }
    ui::Size frame = FrameSize(*skin, node);
    float scale = frame.cx > kMaxFrameWidth ? static_cast<float>(kMaxFrameWidth) / static_cast<float>(frame.cx) : 1.0f;
    int states = skin->GetStates();
    int w = std::max(220, states * (static_cast<int>(frame.cx * scale) + kGap));
    int h = kLabelHeight + static_cast<int>(frame.cy * scale);
    if (x + w > kSheetWidth - kMargin && x > kMargin) {
      x = kMargin;
      y += rowHeight + kMargin;
      rowHeight = 0;
    }
    items.push_back(Item{name, skin, frame, scale, Rect{x, y + kLabelHeight, x + w, y + h}});
    x += w + kMargin;
    rowHeight = std::max(rowHeight, h);
  }
  height = y + rowHeight + kMargin;
  return items;
}

}  // namespace

render::Bitmap RenderPreview(const std::string& uiresDir, std::vector<std::string>& problems) {
  auto render = std::make_shared<ui::SRenderFactory>();
  render->SetImgDecoderFactory(ui::SImgDecoderFactory::Create(L"imgdecoder-stb"));
  ui::SApplication app(render, nullptr, L"KbPreviewHost");
  auto files = std::make_shared<ui::SResProviderFiles>();
  if (!files->Init(Utf8ToWide(uiresDir))) {
    problems.push_back(uiresDir + ": no package index");
    return Bitmap();
  }
  app.AddResProvider(files, L"uidef:xml_init");
  pugi::xml_document doc;
  if (!app.LoadXmlDocument(doc, L"values:skin", L"values")) {
    problems.push_back("values:skin does not load");
    return Bitmap();
  }
  int height = 0;
  std::vector<Item> items = Arrange(app, doc.child("skin"), problems, height);
  Bitmap sheet(kSheetWidth, height);
  Canvas canvas(sheet);
  canvas.Clear(Color::Rgb(0x0e, 0x10, 0x14));
  auto font = render::FontRegistry::Instance().GetFont(render::FontSpec{L"DejaVu Sans", 12});
  for (const Item& item : items) {
    int states = item.skin->GetStates();
    std::wstring label = Utf8ToWide(item.name) + L"  " + std::to_wstring(item.frame.cx) + L"x" +
                         std::to_wstring(item.frame.cy) + L" \u00d7" + std::to_wstring(states);
    canvas.DrawString(*font, label, Rect{item.box.left, item.box.top - kLabelHeight, item.box.right, item.box.top - 2},
                      Color::Rgb(0x8b, 0x92, 0xa4), render::kTextSingleLine | render::kTextVCenter | render::kTextEndEllipsis);
    int w = static_cast<int>(item.frame.cx * item.scale), h = static_cast<int>(item.frame.cy * item.scale);
    for (int s = 0; s < states; ++s) {
      Rect dest = Rect::FromSize(item.box.left + s * (w + kGap), item.box.top, w, h);
      Checker(canvas, dest);
      item.skin->Draw(canvas, dest, s);
    }
  }
  return sheet;
}

}  // namespace kb::art
