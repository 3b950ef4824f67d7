#include "Preview.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include <pugixml.hpp>

#include "platform/text.h"
#include "toolkit/render/Canvas.h"
#include "toolkit/render/FontRegistry.h"
#include "toolkit/render/ImageDecoder.h"

namespace kb::art {

namespace {

namespace fs = std::filesystem;
using render::Bitmap;
using render::Canvas;
using render::Color;
using render::Rect;

constexpr int kSheetWidth = 1240;
constexpr int kMargin = 16;
constexpr int kGap = 6;
constexpr int kLabelHeight = 20;
constexpr int kMaxFrameWidth = 500;

struct SkinImage {
  std::string name;
  int states = 1;
  Bitmap image;
};

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::map<std::string, std::string> ReadIndex(const fs::path& uires) {
  std::map<std::string, std::string> index;
  pugi::xml_document doc;
  if (!doc.load_file((uires / "uires.idx").string().c_str())) return index;
  for (pugi::xml_node type : doc.child("resource").children())
    for (pugi::xml_node file : type.children("file"))
      index[Lower(std::string(type.name()) + ":" + file.attribute("name").as_string())] = file.attribute("path").as_string();
  return index;
}

bool Decode(const fs::path& path, Bitmap& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto decoder = render::CreateImageDecoder(render::kStbDecoderName);
  return decoder && decoder->Decode(data.data(), data.size(), out);
}

std::vector<SkinImage> LoadSkins(const fs::path& uires, const std::vector<std::string>& extraDirs,
                                 std::vector<std::string>& problems) {
  std::map<std::string, std::string> index = ReadIndex(uires);
  std::vector<SkinImage> skins;
  pugi::xml_document doc;
  if (!doc.load_file((uires / "values" / "skin.xml").string().c_str())) {
    problems.push_back("values/skin.xml does not load");
    return skins;
  }
  for (pugi::xml_node node : doc.child("skin").children()) {
    std::string kind = node.name();
    if (kind != "imglist" && kind != "imgframe") continue;
    SkinImage skin{node.attribute("name").as_string(), std::max(1, node.attribute("states").as_int(1)), {}};
    auto entry = index.find(Lower(node.attribute("src").as_string()));
    if (entry == index.end()) {
      problems.push_back(skin.name + ": " + node.attribute("src").as_string() + " is not in the index");
      continue;
    }
    bool found = Decode(uires / entry->second, skin.image);
    for (const std::string& extra : extraDirs)
      if (!found) found = Decode(fs::path(extra) / entry->second, skin.image);
    if (!found) {
      problems.push_back(skin.name + ": " + entry->second + " missing or not an image");
      continue;
    }
    if (skin.image.Width() % skin.states != 0)
      problems.push_back(skin.name + ": width " + std::to_string(skin.image.Width()) + " is not " +
                         std::to_string(skin.states) + " equal frames");
    skins.push_back(std::move(skin));
  }
  return skins;
}

// Transparent pixels show as a dark checkerboard.
void Checker(Canvas& canvas, const Rect& r) {
  for (int y = r.top; y < r.bottom; y += 6)
    for (int x = r.left; x < r.right; x += 6) {
      bool dark = ((x - r.left) / 6 + (y - r.top) / 6) % 2 == 0;
      Rect cell{x, y, std::min(x + 6, r.right), std::min(y + 6, r.bottom)};
      canvas.FillRect(cell, dark ? Color::Rgb(0x1b, 0x1e, 0x24) : Color::Rgb(0x24, 0x27, 0x2e));
    }
}

struct Placed {
  const SkinImage* skin;
  Rect box;  // frames area, below the label
  float scale;
};

}  // namespace

render::Bitmap RenderPreview(const std::string& uiresDir, const std::vector<std::string>& extraDirs,
                             std::vector<std::string>& problems) {
  std::vector<SkinImage> skins = LoadSkins(uiresDir, extraDirs, problems);
  std::vector<Placed> placed;
  int x = kMargin, y = kMargin, rowHeight = 0;
  for (const SkinImage& skin : skins) {
    int frameW = skin.image.Width() / skin.states, frameH = skin.image.Height();
    float scale = frameW > kMaxFrameWidth ? static_cast<float>(kMaxFrameWidth) / static_cast<float>(frameW) : 1.0f;
    int w = std::max(200, skin.states * (static_cast<int>(frameW * scale) + kGap));
    int h = kLabelHeight + static_cast<int>(frameH * scale);
    if (x + w > kSheetWidth - kMargin && x > kMargin) {
      x = kMargin;
      y += rowHeight + kMargin;
      rowHeight = 0;
    }
    placed.push_back(Placed{&skin, Rect{x, y + kLabelHeight, x + w, y + h}, scale});
    x += w + kMargin;
    rowHeight = std::max(rowHeight, h);
  }
  Bitmap sheet(kSheetWidth, y + rowHeight + kMargin);
  Canvas canvas(sheet);
  canvas.Clear(Color::Rgb(0x0e, 0x10, 0x14));
  auto font = render::FontRegistry::Instance().GetFont(render::FontSpec{L"DejaVu Sans", 12});
  for (const Placed& p : placed) {
    const SkinImage& skin = *p.skin;
    int frameW = skin.image.Width() / skin.states, frameH = skin.image.Height();
    std::wstring label = Utf8ToWide(skin.name) + L"  " + std::to_wstring(frameW) + L"x" + std::to_wstring(frameH) +
                         L" \u00d7" + std::to_wstring(skin.states);
    canvas.DrawString(*font, label, Rect{p.box.left, p.box.top - kLabelHeight, p.box.right, p.box.top - 2},
                      Color::Rgb(0x8b, 0x92, 0xa4));
    int drawnW = static_cast<int>(frameW * p.scale), drawnH = static_cast<int>(frameH * p.scale);
    for (int s = 0; s < skin.states; ++s) {
      Rect dest = Rect::FromSize(p.box.left + s * (drawnW + kGap), p.box.top, drawnW, drawnH);
      Checker(canvas, dest);
      canvas.StretchBitmap(skin.image, Canvas::ImageListFrame(skin.image.GetSize(), skin.states, s, false), dest);
    }
  }
  return sheet;
}

}  // namespace kb::art
