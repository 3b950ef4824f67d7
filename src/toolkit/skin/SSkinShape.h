#pragma once
// "shape": skins the toolkit draws itself, so its default look needs no
// image files and scales to any size. Colours are given per state as lists
// separated by ";" (normal;hover;pushed;disabled); a shorter list repeats its
// last colour.
//
//   <shape name="_sys.button" kind="roundrect" radius="3"
//          fill="#f4f4f4;#e6f0fb;#cde2f7;#eeeeee" border="#9a9a9a;#3c7fd1;#2a64a8;#c8c8c8"/>
//
// kinds: roundrect, ellipse, check (8 states: box, then box with a tick),
// radio (8 states: circle, then circle with a dot), arrow (dir="down|up|left|right"),
// wndbtn (glyph="close|min|max|restore"), msgicon (states information,
// warning, error, question).
#include <optional>
#include <vector>

#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

class SSkinShape : public ISkinObj {
  KB_CLASS(SSkinShape, ISkinObj, L"shape")

 public:
  enum class Kind { kRoundRect, kEllipse, kCheck, kRadio, kArrow, kWndButton, kMsgIcon };

  int GetStates() const override;
  Size GetSkinSize() const override { return size_; }
  void Draw(render::Canvas& canvas, const Rect& dest, int state, uint8_t alpha = 255) const override;

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;

 private:
  static std::optional<Color> Pick(const std::vector<Color>& list, int index, uint8_t alpha);
  void DrawBox(render::Canvas& canvas, const Rect& box, int state, uint8_t alpha, bool round) const;
  void DrawArrow(render::Canvas& canvas, const Rect& dest, int state, uint8_t alpha) const;
  void DrawWndButton(render::Canvas& canvas, const Rect& dest, int state, uint8_t alpha) const;
  void DrawMsgIcon(render::Canvas& canvas, const Rect& dest, int state, uint8_t alpha) const;
  Rect CenteredBox(const Rect& dest) const;

  Kind kind_ = Kind::kRoundRect;
  std::vector<Color> fill_;
  std::vector<Color> border_;
  std::vector<Color> mark_;
  float radius_ = 0;
  float borderWidth_ = 1;
  Size size_;
  std::wstring direction_ = L"down";
  std::wstring glyph_ = L"close";
  int states_ = 0;
};

}  // namespace kb::ui
