#include "toolkit/controls/SDropDownWnd.h"

#include "toolkit/controls/SListView.h"
#include "toolkit/core/SApplication.h"

namespace kb::ui {

namespace {

constexpr char kListName[] = "dropdown_list";
constexpr wchar_t kListNameW[] = L"dropdown_list";
constexpr wchar_t kTextName[] = L"item_text";

// The rows' hover and selection colours: a theme names them
// "dropdown_hover" and "dropdown_selected" in its colour table, so the
// combobox's text stays readable on them; the list's own light defaults
// suit the toolkit's light look only.
std::string RowColors() {
  SApplication* app = SApplication::Instance();
  std::string attrs;
  if (app && app->ResolveColor(L"@color/dropdown_hover")) attrs += " colorHover=\"@color/dropdown_hover\"";
  if (app && app->ResolveColor(L"@color/dropdown_selected")) attrs += " colorSelected=\"@color/dropdown_selected\"";
  return attrs;
}

std::string Layout(int itemHeight) {
  std::string h = std::to_string(itemHeight);
  return "<host><root skin=\"_sys.dropdown.bg\">"
         "<listview name=\"" + std::string(kListName) + "\" pos=\"1,1,-1,-1\" itemHeight=\"" + h + "\">"
         "<template height=\"" + h + "\"" + RowColors() + ">"
         "<text name=\"item_text\" pos=\"6,0,-4,-0\" translate=\"0\" dotted=\"1\" msgTransparent=\"1\"/>"
         "</template></listview></root></host>";
}

}  // namespace

SDropDownWnd::SDropDownWnd(std::vector<std::wstring> texts, int curSel, int itemHeight, const SwndStyle& style)
    : texts_(std::move(texts)), curSel_(curSel), style_(style) {
  SetLayoutXml(Layout(itemHeight));
}

SDropDownWnd::~SDropDownWnd() {
  if (SListView* list = GetList()) list->SetAdapter(nullptr);
}

SListView* SDropDownWnd::GetList() const { return FindChildByName<SListView>(kListNameW); }

void SDropDownWnd::GetView(int position, SWindow* item, pugi::xml_node) {
  SWindow* text = item->FindChildByName(kTextName, 1);
  if (!text) return;
  text->GetStyle().SetFontSpec(kVisualNormal, style_.GetFontSpec(kVisualNormal));
  text->GetStyle().SetTextColor(kVisualNormal, style_.GetTextColor(kVisualNormal));
  text->SetWindowText(texts_[static_cast<size_t>(position)]);
}

void SDropDownWnd::Setup() {
  if (setUp_) return;
  SListView* list = GetList();
  if (!list) return;
  setUp_ = true;
  list->SetAdapter(this);
  list->SetSel(curSel_);
  list->SetFocus();
  list->SubscribeEvent(EventLVItemClick::EventID, [this](EventArgs* e) {
    Close(static_cast<EventLVItemClick*>(e)->iItem);
    return true;
  });
  UpdateLayoutNow();
  list->EnsureVisible(curSel_);
}

bool SDropDownWnd::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  bool handled = SPopupWnd::ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
  if (msg == WM_CREATE) Setup();
  return handled;
}

}  // namespace kb::ui
