#include "toolkit/skin/SSkinShape.h"

#include <algorithm>

#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/render/FontRegistry.h"
#include "toolkit/skin/ShapePainter.h"

namespace kb::ui {

namespace {

constexpr int kCheckedBase = 4;

Color WithAlpha(Color c, uint8_t alpha) {
  c.a = static_cast<uint8_t>(render::MulDiv255(c.a, alpha));
  return c;
}

std::optional<std::vector<Color>> ParseColorList(const std::wstring& value) {
  std::vector<Color> colors;
  for (const std::wstring& part : SplitList(value, L';')) {
    std::optional<Color> c = SApplication::Instance() ? SApplication::Instance()->ResolveColor(part)
                                                      : ParseColorText(part);
    if (!c) return std::nullopt;
    colors.push_back(*c);
  }
  if (colors.empty()) return std::nullopt;
  return colors;
}

}  // namespace

int SSkinShape::GetStates() const {
  if (states_ > 0) return states_;
  switch (kind_) {
    case Kind::kCheck:
    case Kind::kRadio:
      return 8;
    case Kind::kMsgIcon:
      return 4;
    default:
      return static_cast<int>(std::max<size_t>({1, fill_.size(), border_.size(), mark_.size()}));
  }
}

std::optional<Color> SSkinShape::Pick(const std::vector<Color>& list, int index, uint8_t alpha) {
  if (list.empty()) return std::nullopt;
  size_t i = std::min<size_t>(static_cast<size_t>(std::max(index, 0)), list.size() - 1);
  return WithAlpha(list[i], alpha);
}

Rect SSkinShape::CenteredBox(const Rect& dest) const {
  if (size_.cx <= 0 || size_.cy <= 0) return dest;
  int w = std::min(size_.cx, dest.Width());
  int h = std::min(size_.cy, dest.Height());
  int x = dest.left + (dest.Width() - w) / 2;
  int y = dest.top + (dest.Height() - h) / 2;
  return Rect::FromSize(x, y, w, h);
}

void SSkinShape::Draw(render::Canvas& canvas, const Rect& dest, int state, uint8_t alpha) const {
  if (dest.IsEmpty()) return;
  if (state < 0 || state >= GetStates()) state = 0;
  switch (kind_) {
    case Kind::kRoundRect:
    case Kind::kEllipse:
      DrawBox(canvas, dest, state, alpha, kind_ == Kind::kEllipse);
      break;
    case Kind::kCheck:
    case Kind::kRadio: {
      Rect box = CenteredBox(dest);
      bool radio = kind_ == Kind::kRadio;
      DrawBox(canvas, box, state % kCheckedBase, alpha, radio);
      if (state < kCheckedBase) break;
      ShapePainter painter(canvas);
      Color mark = Pick(mark_, state % kCheckedBase, alpha).value_or(WithAlpha(Color::Rgb(0x20, 0x20, 0x20), alpha));
      float w = static_cast<float>(box.Width());
      float h = static_cast<float>(box.Height());
      if (radio) {
        int inset = std::max(3, box.Width() * 3 / 10);
        painter.FillEllipse(box.Deflate(inset, inset, inset, inset), mark);
      } else {
        float x = static_cast<float>(box.left);
        float y = static_cast<float>(box.top);
        painter.StrokePolyline({{x + w * 0.22f, y + h * 0.52f}, {x + w * 0.42f, y + h * 0.72f}, {x + w * 0.78f, y + h * 0.30f}},
                               std::max(1.5f, w / 8), mark);
      }
      break;
    }
    case Kind::kArrow:
      DrawArrow(canvas, dest, state, alpha);
      break;
    case Kind::kWndButton:
      DrawWndButton(canvas, dest, state, alpha);
      break;
    case Kind::kMsgIcon:
      DrawMsgIcon(canvas, dest, state, alpha);
      break;
  }
}

void SSkinShape::DrawBox(render::Canvas& canvas, const Rect& box, int state, uint8_t alpha, bool round) const {
  ShapePainter painter(canvas);
  float radius = round ? static_cast<float>(std::max(box.Width(), box.Height())) : radius_;
  if (auto fill = Pick(fill_, state, alpha)) {
    if (round) painter.FillEllipse(box, *fill);
    else if (radius <= 0) canvas.FillRect(box, *fill);
    else painter.FillRoundRect(box, radius, *fill);
  }
  if (auto border = Pick(border_, state, alpha)) {
    if (round) painter.StrokeEllipse(box, borderWidth_, *border);
    else if (radius <= 0) canvas.FrameRect(box, *border, static_cast<int>(borderWidth_));
    else painter.StrokeRoundRect(box, radius, borderWidth_, *border);
  }
}

void SSkinShape::DrawArrow(render::Canvas& canvas, const Rect& dest, int state, uint8_t alpha) const {
  DrawBox(canvas, dest, state, alpha, false);
  Color color = Pick(mark_, state, alpha).value_or(WithAlpha(Color::Rgb(0x40, 0x40, 0x40), alpha));
  Rect box = CenteredBox(dest);
  float side = static_cast<float>(std::min(box.Width(), box.Height())) * 0.5f;
  float cx = box.left + box.Width() / 2.0f;
  float cy = box.top + box.Height() / 2.0f;
  float h = side / 2;
  std::vector<PointF> tri;
  if (direction_ == L"up") tri = {{cx - side / 2, cy + h / 2}, {cx + side / 2, cy + h / 2}, {cx, cy - h / 2}};
  else if (direction_ == L"left") tri = {{cx + h / 2, cy - side / 2}, {cx + h / 2, cy + side / 2}, {cx - h / 2, cy}};
  else if (direction_ == L"right") tri = {{cx - h / 2, cy - side / 2}, {cx - h / 2, cy + side / 2}, {cx + h / 2, cy}};
  else tri = {{cx - side / 2, cy - h / 2}, {cx + side / 2, cy - h / 2}, {cx, cy + h / 2}};
  ShapePainter(canvas).FillPolygon(tri, color);
}

void SSkinShape::DrawWndButton(render::Canvas& canvas, const Rect& dest, int state, uint8_t alpha) const {
  DrawBox(canvas, dest, state, alpha, false);
  Color color = Pick(mark_, state, alpha).value_or(WithAlpha(Color::Rgb(0x30, 0x30, 0x30), alpha));
  ShapePainter painter(canvas);
  float side = static_cast<float>(std::min(dest.Width(), dest.Height())) * 0.34f;
  float cx = dest.left + dest.Width() / 2.0f;
  float cy = dest.top + dest.Height() / 2.0f;
  float l = cx - side / 2, r = cx + side / 2, t = cy - side / 2, b = cy + side / 2;
  if (glyph_ == L"min") {
    painter.StrokePolyline({{l, cy + side / 3}, {r, cy + side / 3}}, 1.5f, color);
  } else if (glyph_ == L"max") {
    painter.StrokePolyline({{l, t}, {r, t}, {r, b}, {l, b}, {l, t}}, 1.4f, color);
  } else if (glyph_ == L"restore") {
    float d = side / 4;
    painter.StrokePolyline({{l + d, t}, {r, t}, {r, b - d}}, 1.2f, color);
    painter.StrokePolyline({{l, t + d}, {r - d, t + d}, {r - d, b}, {l, b}, {l, t + d}}, 1.2f, color);
  } else {
    painter.StrokePolyline({{l, t}, {r, b}}, 1.6f, color);
    painter.StrokePolyline({{r, t}, {l, b}}, 1.6f, color);
  }
}

void SSkinShape::DrawMsgIcon(render::Canvas& canvas, const Rect& dest, int state, uint8_t alpha) const {
  static const Color kBackgrounds[4] = {Color::Rgb(0x2a, 0x74, 0xd0), Color::Rgb(0xf2, 0xb1, 0x1b),
                                        Color::Rgb(0xd8, 0x3b, 0x32), Color::Rgb(0x2a, 0x74, 0xd0)};
  Rect box = CenteredBox(dest);
  Color bg = Pick(fill_, state, alpha).value_or(WithAlpha(kBackgrounds[state & 3], alpha));
  Color fg = Pick(mark_, state, alpha).value_or(WithAlpha(Color::Rgb(255, 255, 255), alpha));
  ShapePainter painter(canvas);
  float w = static_cast<float>(box.Width());
  float h = static_cast<float>(box.Height());
  float x = static_cast<float>(box.left);
  float y = static_cast<float>(box.top);
  if (state == 1) {
    painter.FillPolygon({{x + w / 2, y + h * 0.04f}, {x + w * 0.98f, y + h * 0.94f}, {x + w * 0.02f, y + h * 0.94f}}, bg);
  } else {
    painter.FillEllipse(box, bg);
  }
  float bar = std::max(2.0f, w / 8);
  switch (state) {
    case 0:  // information: "i"
      painter.FillEllipse(Rect::FromSize(static_cast<int>(x + w / 2 - bar * 0.7f), static_cast<int>(y + h * 0.2f),
                                         static_cast<int>(bar * 1.4f) + 1, static_cast<int>(bar * 1.4f) + 1), fg);
      painter.StrokePolyline({{x + w / 2, y + h * 0.42f}, {x + w / 2, y + h * 0.78f}}, bar, fg);
      break;
    case 1:  // warning: "!"
      painter.StrokePolyline({{x + w / 2, y + h * 0.34f}, {x + w / 2, y + h * 0.66f}}, bar, fg);
      painter.FillEllipse(Rect::FromSize(static_cast<int>(x + w / 2 - bar * 0.6f), static_cast<int>(y + h * 0.73f),
                                         static_cast<int>(bar * 1.2f) + 1, static_cast<int>(bar * 1.2f) + 1), fg);
      break;
    case 2:  // error: a cross
      painter.StrokePolyline({{x + w * 0.32f, y + h * 0.32f}, {x + w * 0.68f, y + h * 0.68f}}, bar, fg);
      painter.StrokePolyline({{x + w * 0.68f, y + h * 0.32f}, {x + w * 0.32f, y + h * 0.68f}}, bar, fg);
      break;
    default: {  // question: "?" in the default bold face
      render::FontSpec spec;
      spec.pixelSize = std::max(8, box.Height() * 2 / 3);
      spec.bold = true;
      auto font = render::FontRegistry::Instance().GetFont(spec);
      canvas.DrawString(*font, L"?", box, fg, render::kTextSingleLine | render::kTextCenter | render::kTextVCenter);
      break;
    }
  }
}

bool SSkinShape::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"kind") {
    static const std::pair<const wchar_t*, Kind> kKinds[] = {
        {L"roundrect", Kind::kRoundRect}, {L"ellipse", Kind::kEllipse}, {L"check", Kind::kCheck},
        {L"radio", Kind::kRadio},         {L"arrow", Kind::kArrow},     {L"wndbtn", Kind::kWndButton},
        {L"msgicon", Kind::kMsgIcon}};
    for (const auto& [text, kind] : kKinds) {
      if (value == text) {
        kind_ = kind;
        return true;
      }
    }
    return false;
  }
  auto colorList = [&](std::vector<Color>& field) {
    auto list = ParseColorList(value);
    if (!list) return false;
    field = std::move(*list);
    return true;
  };
  if (name == L"fill") return colorList(fill_);
  if (name == L"border") return colorList(border_);
  if (name == L"mark") return colorList(mark_);
  if (name == L"radius" || name == L"borderWidth" || name == L"states") {
    auto v = ParseInt(value);
    if (!v || *v < 0) return false;
    if (name == L"radius") radius_ = static_cast<float>(*v);
    else if (name == L"borderWidth") borderWidth_ = static_cast<float>(*v);
    else states_ = *v;
    return true;
  }
  if (name == L"size") {
    auto s = ParseSize(value);
    if (!s || s->cx < 0 || s->cy < 0) return false;
    size_ = *s;
    return true;
  }
  if (name == L"dir") {
    if (value != L"down" && value != L"up" && value != L"left" && value != L"right") return false;
    direction_ = value;
    return true;
  }
  if (name == L"glyph") {
    if (value != L"close" && value != L"min" && value != L"max" && value != L"restore") return false;
    glyph_ = value;
    return true;
  }
  return ISkinObj::OnAttribute(name, value, loading);
}

}  // namespace kb::ui
