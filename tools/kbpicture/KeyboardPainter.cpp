#include "KeyboardPainter.h"

#include <algorithm>
#include <climits>

#include "PictureShapes.h"
#include "toolkit/render/Canvas.h"
#include "toolkit/render/FontRegistry.h"
#include "toolkit/render/TextLayout.h"

namespace kbpicture {
namespace {

using kb::render::Bitmap;
using kb::render::Canvas;
using kb::render::Color;
using kb::render::Rect;

// The resource package's dark theme.
constexpr Color kBodyColor = Color::Rgb(0x1A, 0x1D, 0x22);
constexpr Color kBodyEdgeColor = Color::Rgb(0x2C, 0x30, 0x38);
constexpr Color kPlateColor = Color::Rgb(0x0D, 0x0F, 0x12);
constexpr Color kAccentColor = Color::Rgb(0x1E, 0xC8, 0xE6);
constexpr Color kAccentLightColor = Color::Rgb(0x4F, 0xD8, 0xEF);
constexpr Color kAccentPressedColor = Color::Rgb(0x14, 0x97, 0xAD);
constexpr Color kCheckedFaceColor = Color::Rgb(0x16, 0x7F, 0x93);
constexpr Color kCheckedSkirtColor = Color::Rgb(0x0C, 0x4C, 0x58);
constexpr Color kLegendColor = Color::Rgb(0xC9, 0xCD, 0xD4);
constexpr Color kShiftLegendColor = Color::Rgb(0x8B, 0x92, 0xA4);
constexpr Color kLitLegendColor = Color::Rgb(0xE8, 0xFB, 0xFF);
constexpr Color kOnAccentColor = Color::Rgb(0x0B, 0x1A, 0x1E);
constexpr Color kWhite = Color::Rgb(0xFF, 0xFF, 0xFF);
constexpr Color kBacklightColor = Color::Rgb(0x6F, 0xE0, 0xF4);
constexpr Color kLedOffColor = Color::Rgb(0x2A, 0x2E, 0x36);

constexpr int kBodyInset = 4;
constexpr int kBodyRadius = 16;
constexpr int kPlatePadding = 6;
constexpr int kKeyRadius = 4;
constexpr int kFaceRadius = 3;
// The top face sits inside the keycap's skirt, nearer the top edge, as a
// keycap seen from above and slightly in front looks.
constexpr int kFaceSide = 3;
constexpr int kFaceTop = 2;
constexpr int kFaceBottom = 5;
// The smallest key that gets a skirt and legends.
constexpr int kMinKeyedSize = 12;
constexpr int kLegendInsetX = 4;
constexpr int kLegendInsetY = 1;
constexpr int kLegendPixelSize = 11;
constexpr int kMinLegendPixelSize = 7;
constexpr int kBacklightSpread = 3;
constexpr int kSideLightHeight = 3;

const wchar_t kLegendFace[] = L"DejaVu Sans";
// The space bar carries no legend.
const wchar_t kSpaceName[] = L"Space";

// Keyboard usage ids of the keys the lock lights sit above.
constexpr int kUsageNumLock = 0x53;
constexpr int kUsageKeypadMinus = 0x56;
constexpr int kUsageEscape = 0x29;

std::shared_ptr<const kb::render::Font> LegendFont(const std::wstring& text, int maxWidth) {
  auto& fonts = kb::render::FontRegistry::Instance();
  for (int size = kLegendPixelSize;; --size) {
    auto font = fonts.GetFont(kb::render::FontSpec{kLegendFace, size});
    if (size <= kMinLegendPixelSize || kb::render::MeasureText(*font, text).cx <= maxWidth) return font;
  }
}

Rect FaceOf(const Rect& key, PictureState state) {
  // A pressed key travels down: its face moves one pixel towards the front.
  int shift = state == PictureState::kPressed ? 1 : 0;
  return key.Deflate(kFaceSide, kFaceTop + shift, kFaceSide, kFaceBottom - shift);
}

bool IsKeyed(const Rect& key) { return key.Width() >= kMinKeyedSize && key.Height() >= kMinKeyedSize; }

const PictureKey* FindKey(const KeyMap& map, int id) {
  for (const PictureKey& key : map.keys)
    if (key.button.id == id) return &key;
  return nullptr;
}

Rect KeyExtent(const KeyMap& map) {
  Rect extent{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (const PictureKey& key : map.keys) {
    const Rect& r = key.button.rect;
    if (r.IsEmpty()) continue;
    extent = Rect{std::min(extent.left, r.left), std::min(extent.top, r.top), std::max(extent.right, r.right),
                  std::max(extent.bottom, r.bottom)};
  }
  return extent.IsEmpty() ? Rect{} : extent;
}

Color LegendColor(PictureState state) {
  switch (state) {
    case PictureState::kChecked: return kWhite;
    case PictureState::kPressed: return kOnAccentColor;
    case PictureState::kFloating: return kWhite;
    case PictureState::kDemo: return kLitLegendColor;
    case PictureState::kNormal: break;
  }
  return kLegendColor;
}

void DrawLegend(Bitmap& picture, kb::render::DeviceScale scale, const kb::render::Font& font,
                const std::wstring& text, const Rect& box, const Rect& face, Color color, bool glow) {
  Canvas canvas(picture, scale);
  // Never outside the key's own face: the states are copied key by key.
  canvas.PushClip(face);
  const unsigned format = kb::render::kTextSingleLine | kb::render::kTextLeft | kb::render::kTextTop;
  if (glow) {
    Color halo = kBacklightColor;
    halo.a = 70;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (dx || dy) canvas.DrawString(font, text, box.Offset(dx, dy), halo, format);
  }
  canvas.DrawString(font, text, box, color, format);
  canvas.PopClip();
}

}  // namespace

std::string PictureFileName(PictureState state, int dpi) {
  std::string stem = "img_keboard_normal";
  switch (state) {
    case PictureState::kChecked: stem = "img_keboard_checked"; break;
    case PictureState::kPressed: stem = "img_keboard_pressed"; break;
    case PictureState::kFloating: stem = "img_keboard_floating"; break;
    case PictureState::kDemo: stem = "img_keboard_demo"; break;
    case PictureState::kNormal: break;
  }
  if (dpi == 144) stem += "@1.5x";
  else if (dpi != kb::render::DeviceScale::kBaseDpi) stem += "@" + std::to_string(dpi / 96) + "x";
  return stem + ".png";
}

Color KeyFaceColor(const CoordButton& key, PictureState state) {
  Color base = key.color;
  base.a = 255;
  switch (state) {
    case PictureState::kChecked: return kCheckedFaceColor;
    case PictureState::kPressed: return kAccentColor;
    case PictureState::kFloating: return Mix(base, kAccentColor, 60);
    case PictureState::kDemo: return Mix(base, kWhite, 14);
    case PictureState::kNormal: break;
  }
  return base;
}

Bitmap KeyboardPainter::Paint(PictureState state) const {
  kb::render::Size size = scale_.ToDevice(kb::render::Size{map_.width, map_.height});
  Bitmap picture(size.cx, size.cy);
  PaintBody(picture, state);
  PaintIndicators(picture, state);
  if (state == PictureState::kDemo) PaintBacklight(picture);
  for (const PictureKey& key : map_.keys) PaintKey(picture, key, state);
  return picture;
}

void KeyboardPainter::PaintBody(Bitmap& picture, PictureState state) const {
  Rect body = Rect{0, 0, map_.width, map_.height}.Deflate(kBodyInset, kBodyInset, kBodyInset, kBodyInset);
  FillRoundRect(picture, D(body), L(kBodyRadius), kBodyColor);
  FrameRoundRect(picture, D(body), L(kBodyRadius), L(1), kBodyEdgeColor);
  Rect keys = KeyExtent(map_);
  if (!keys.IsEmpty()) {
    Rect plate = keys.Deflate(-kPlatePadding, -kPlatePadding, -kPlatePadding, -kPlatePadding);
    FillRoundRect(picture, D(plate), L(kKeyRadius + kPlatePadding / 2), kPlateColor);
  }
  // The side light runs along the front edge of the case.
  int lightWidth = body.Width() * 3 / 4;
  Rect sideLight = Rect::FromSize(body.left + (body.Width() - lightWidth) / 2, body.bottom - 2 * kSideLightHeight,
                                  lightWidth, kSideLightHeight);
  if (state != PictureState::kDemo) {
    FillRoundRect(picture, D(sideLight), L(1), kBodyEdgeColor);
    return;
  }
  Color halo = kBacklightColor;
  halo.a = 60;
  FillRoundRect(picture, D(sideLight.Deflate(-3, -3, -3, -2)), L(4), halo);
  FillRoundRect(picture, D(sideLight), L(1), kBacklightColor);
}

// Three lock lights in the space above the numeric keypad, where a
// full-size keyboard has them.
void KeyboardPainter::PaintIndicators(Bitmap& picture, PictureState state) const {
  const PictureKey* numLock = FindKey(map_, kUsageNumLock);
  const PictureKey* minus = FindKey(map_, kUsageKeypadMinus);
  const PictureKey* escape = FindKey(map_, kUsageEscape);
  if (!numLock || !minus || !escape) return;
  Rect area{numLock->button.rect.left, escape->button.rect.top, minus->button.rect.right,
            escape->button.rect.bottom};
  if (area.IsEmpty()) return;
  static const wchar_t* const kLabels[] = {L"Num", L"Caps", L"Scroll"};
  auto font = kb::render::FontRegistry::Instance().GetFont(kb::render::FontSpec{kLegendFace, 9});
  const int slot = area.Width() / 3;
  const int led = 6;
  for (int i = 0; i < 3; ++i) {
    int centre = area.left + slot * i + slot / 2;
    Rect light = Rect::FromSize(centre - led / 2, area.top + area.Height() / 2 - led, led, led);
    bool lit = state == PictureState::kDemo && i != 2;
    if (lit) FillRoundRect(picture, D(light.Deflate(-3, -3, -3, -3)), L(6), Color{kBacklightColor.r, kBacklightColor.g,
                                                                                  kBacklightColor.b, 60});
    FillRoundRect(picture, D(light), L(led / 2), lit ? kBacklightColor : kLedOffColor);
    Canvas canvas(picture, scale_);
    Rect label{centre - slot / 2, light.bottom + 3, centre + slot / 2, light.bottom + 3 + font->LineHeight()};
    canvas.DrawString(*font, kLabels[i], label, kShiftLegendColor, kb::render::kTextSingleLine | kb::render::kTextCenter);
  }
}

// Light from under the keycaps shows in the gaps around them.
void KeyboardPainter::PaintBacklight(Bitmap& picture) const {
  Color glow = kBacklightColor;
  glow.a = 80;
  for (const PictureKey& key : map_.keys) {
    const Rect& r = key.button.rect;
    if (r.IsEmpty()) continue;
    FillRoundRect(picture, D(r.Deflate(-kBacklightSpread, -kBacklightSpread, -kBacklightSpread, -kBacklightSpread)),
                  L(kKeyRadius + kBacklightSpread), glow);
  }
}

void KeyboardPainter::PaintKey(Bitmap& picture, const PictureKey& key, PictureState state) const {
  const Rect& r = key.button.rect;
  if (r.IsEmpty()) return;
  Color face = KeyFaceColor(key.button, state);
  if (!IsKeyed(r)) {
    FillRoundRect(picture, D(r), L(1), face);
    return;
  }
  Color skirt = Shade(face, 62);
  if (state == PictureState::kChecked) skirt = kCheckedSkirtColor;
  if (state == PictureState::kPressed) skirt = Shade(kAccentPressedColor, 70);
  FillRoundRect(picture, D(r), L(kKeyRadius), skirt);
  Rect top = FaceOf(r, state);
  FillRoundRect(picture, D(top), L(kFaceRadius), face);
  // A lighter rim where the face catches the light.
  FillRoundRect(picture, D(Rect{top.left + 2, top.top, top.right - 2, top.top + 1}), 0, Mix(face, kWhite, 30));
  if (state == PictureState::kFloating) FrameRoundRect(picture, D(r), L(kKeyRadius), L(1), kAccentLightColor);
  if (state == PictureState::kChecked) FrameRoundRect(picture, D(r), L(kKeyRadius), L(1), kAccentColor);
  PaintLegends(picture, key, top, state);
}

// Legends sit at the left edge, as printed on keycaps: the name at the top,
// or under the shifted character when there is one. The middle of the face
// stays clear.
void KeyboardPainter::PaintLegends(Bitmap& picture, const PictureKey& key, const Rect& face,
                                   PictureState state) const {
  const std::wstring& name = key.button.name;
  if (name.empty() || name == kSpaceName) return;
  const bool glow = state == PictureState::kDemo;
  const int maxWidth = face.Width() - 2 * kLegendInsetX;
  auto font = LegendFont(name, maxWidth);
  const int line = font->LineHeight();
  Rect topLine{face.left + kLegendInsetX, face.top + kLegendInsetY, face.right - kLegendInsetX,
               face.top + kLegendInsetY + line};
  if (key.shiftLegend.empty()) {
    DrawLegend(picture, scale_, *font, name, topLine, face, LegendColor(state), glow);
    return;
  }
  Rect bottomLine{topLine.left, face.bottom - kLegendInsetY - line, topLine.right, face.bottom - kLegendInsetY};
  Color shiftColor = state == PictureState::kNormal ? kShiftLegendColor : LegendColor(state);
  DrawLegend(picture, scale_, *LegendFont(key.shiftLegend, maxWidth), key.shiftLegend, topLine, face, shiftColor, glow);
  DrawLegend(picture, scale_, *font, name, bottomLine, face, LegendColor(state), glow);
}

}  // namespace kbpicture
