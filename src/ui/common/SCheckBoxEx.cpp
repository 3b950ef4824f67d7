#include "ui/common/SCheckBoxEx.h"

namespace kb::ui {

// The base installs its default box; this control shows a box only when the
// layout names one.
SCheckBoxEx::SCheckBoxEx() { SetBoxSkinName(L""); }

bool SCheckBoxEx::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (std::optional<bool> handled = part_.OnAttribute(name, value)) {
    if (*handled && !loading) {
      RequestRelayout();
      Invalidate();
    }
    return *handled;
  }
  return SCheckBox::OnAttribute(name, value, loading);
}

void SCheckBoxEx::OnPaint(render::Canvas& canvas) { part_.Paint(*this, canvas); }

Size SCheckBoxEx::GetDesiredSize(int widthHint, int heightHint) { return part_.DesiredSize(*this, widthHint, heightHint); }

}  // namespace kb::ui
