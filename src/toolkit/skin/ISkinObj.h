#pragma once
// A skin draws a control's background (or a part of it) in one of its
// states: image lists draw the frame of that index, colour skins the colour,
// drawn skins a shape. Skins are defined in the UI definitions and looked up
// by name.
#include <cstdint>
#include <string>

#include "toolkit/core/SObject.h"
#include "toolkit/core/Types.h"
#include "toolkit/render/Canvas.h"

namespace kb::ui {

class ISkinObj : public SObject {
  KB_CLASS(ISkinObj, SObject, L"skin")

 public:
  const std::wstring& GetName() const { return name_; }
  void SetName(std::wstring name) { name_ = std::move(name); }

  virtual int GetStates() const { return 1; }
  // The natural size of one state; 0, 0 when the skin has none (colours).
  virtual Size GetSkinSize() const { return Size{}; }
  // A state past the last one draws state 0.
  virtual void Draw(render::Canvas& canvas, const Rect& dest, int state, uint8_t alpha = 255) const = 0;
  // True when Draw at any size paints every pixel of `dest` opaquely, so
  // that what lies under it need not be painted first.
  virtual bool CoversOpaque(int state) const { return false; }

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override {
    if (name == L"name") {
      name_ = value;
      return true;
    }
    return false;
  }

 private:
  std::wstring name_;
};

}  // namespace kb::ui
