#include "ui/common/SRadioBoxEx.h"

namespace kb::ui {

// The base installs its default box; this control shows a box only when the
// layout names one.
SRadioBoxEx::SRadioBoxEx() { SetBoxSkinName(L""); }

bool SRadioBoxEx::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (std::optional<bool> handled = part_.OnAttribute(name, value)) {
    if (*handled && !loading) {
      RequestRelayout();
      Invalidate();
    }
    return *handled;
  }
  return SRadioBox::OnAttribute(name, value, loading);
}

void SRadioBoxEx::OnPaint(render::Canvas& canvas) { part_.Paint(*this, canvas); }

Size SRadioBoxEx::GetDesiredSize(int widthHint, int heightHint) { return part_.DesiredSize(*this, widthHint, heightHint); }

}  // namespace kb::ui
