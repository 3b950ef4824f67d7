#pragma once
// "color": a solid colour per state (normal, hover, pushed, disabled, and
// the same four when checked), with an optional border.
//
//   <color name="row" normal="#ffffff" hover="#e8f0ff" pushed="#c8dcff"/>
#include <array>
#include <optional>

#include "toolkit/skin/ISkinObj.h"

namespace kb::ui {

class SSkinColor : public ISkinObj {
  KB_CLASS(SSkinColor, ISkinObj, L"color")

 public:
  static constexpr int kStates = 8;
  int GetStates() const override { return states_; }
  void Draw(render::Canvas& canvas, const Rect& dest, int state, uint8_t alpha = 255) const override;

  void SetColor(int state, Color color);

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;

 private:
  std::optional<Color> ColorOf(int state, const std::array<std::optional<Color>, kStates>& table) const;

  std::array<std::optional<Color>, kStates> fill_{};
  std::array<std::optional<Color>, kStates> border_{};
  int borderWidth_ = 1;
  int states_ = 4;
};

}  // namespace kb::ui
