#include "ui/AboutBox.h"

#include "toolkit/window/SMessageBox.h"
#include "ui/ProductInfo.h"

namespace kb::ui {

std::wstring AboutText(const TranslateFn& translate) {
  auto tr = [&](const wchar_t* text) { return translate ? translate(text) : std::wstring(text); };
  std::wstring text = product::Name();
  text += L" " + std::wstring(product::Version()) + L"\n";
  text += tr(L"Keyboard configuration utility") + L"\n";
  text += tr(L"Build date") + tr(L": ") + product::BuildDate() + L"\n";
  text += tr(L"Licence") + tr(L": ") + product::Licence() + L"\n\n";
  text += tr(L"UI toolkit") + tr(L": ") + tr(L"the program's own skinned toolkit, under the program's licence") + L"\n";
  text += tr(L"Libraries and fonts") + tr(L": ") + L"\n";
  for (const product::Notice& notice : product::Notices())
    text += L"  " + std::wstring(notice.name) + L" \u2014 " + tr(notice.licence) + L"\n";
  text += tr(L"The licence texts are in the LICENSES folder beside the program.");
  return text;
}

void ShowAboutBox(HWND owner, const TranslateFn& translate) {
  SMessageBox(owner, AboutText(translate).c_str(), L"About", MB_OK | MB_ICONINFORMATION);
}

}  // namespace kb::ui
