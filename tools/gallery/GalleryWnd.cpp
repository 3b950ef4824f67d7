#include "GalleryWnd.h"

#include <cwchar>

#include "toolkit/controls/SListView.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/menu/SMenu.h"
#include "toolkit/menu/SMenuEx.h"
#include "toolkit/window/SMessageBox.h"

namespace gallery {

namespace {
constexpr int kCmdExit = 6;
constexpr int kCmdChinese = 21;
constexpr int kCmdEnglish = 22;
}  // namespace

void GroupAdapter::GetView(int position, SWindow* item, pugi::xml_node) {
  if (SWindow* name = item->FindChildByName(L"group_name")) name->SetWindowText(names_[static_cast<size_t>(position)]);
}

void StepAdapter::GetView(int position, SWindow* item, pugi::xml_node) {
  const Step& step = steps_[static_cast<size_t>(position)];
  wchar_t code[16];
  std::swprintf(code, 16, L"%x", step.code);
  if (SWindow* w = item->FindChildByName(L"key_code")) w->SetWindowText(code);
  if (SWindow* w = item->FindChildByName(L"key_name")) w->SetWindowText(step.name);
  if (SWindow* w = item->FindChildByName(L"key_state")) w->SetWindowText(step.down ? L"key down" : L"key up");
  if (SWindow* w = item->FindChildByName(L"key_delay")) w->SetWindowText(std::to_wstring(step.delay));
}

CGalleryWnd::CGalleryWnd() : SHostWnd(L"layout:gallery") {}

void CGalleryWnd::Setup() {
  if (auto* list = FindChildByName<SListView>(L"list_groups")) {
    list->SetAdapter(&groups_);
    list->SetSel(1);
  }
  if (auto* list = FindChildByName<SListView>(L"list_steps")) {
    list->SetAdapter(&steps_);
    list->SetSel(2);
  }
  if (SWindow* edit = FindChildByName(L"edit_text")) edit->SetWindowText(L"Hello, 你好!");
  if (SWindow* edit = FindChildByName(L"edit_disabled")) edit->SetWindowText(L"read only");
  if (SWindow* edit = FindChildByName(L"edit_password")) edit->SetWindowText(L"secret");
  ShowEvent(L"none");
}

bool CGalleryWnd::SwitchLanguage(const std::wstring& resName) {
  SApplication* app = SApplication::Instance();
  STranslatorMgr* translator = app ? app->GetTranslator() : nullptr;
  pugi::xml_document doc;
  if (!translator || !app->LoadXmlDocument(doc, resName, L"translator")) return false;
  auto pack = translator->CreateLangPack();
  if (!pack->Load(doc.child("language"))) return false;
  wchar_t name[64];
  pack->GetName(name, 64);
  translator->UninstallLanguage(name);
  translator->InstallLanguage(pack);
  HandleMessage(kMsgLanguageChanged, 0, 0);
  return true;
}

void CGalleryWnd::ShowEvent(const std::wstring& text) {
  SApplication* app = SApplication::Instance();
  if (SWindow* line = FindChildByName(L"last_event"))
    line->SetWindowText(app ? app->Translate(text, GetTranslatorContext()) : text);
}

void CGalleryWnd::ShowMessageBox() {
  int answer = SMessageBox(GetHwnd(), L"All settings will be restored, are you sure you want to continue?",
                           L"Warning", MB_OKCANCEL | MB_ICONWARNING);
  ShowEvent(answer == IDOK ? L"message box: OK" : L"message box: Cancel");
}

void CGalleryWnd::ShowMenu(bool extended) {
  SWindow* anchor = FindChildByName(extended ? L"btn_menuex" : L"btn_menu");
  if (!anchor || !GetHwnd()) return;
  Rect screen = LogicalToScreen(anchor->GetWindowRect());
  POINT corner{screen.left, screen.top};
  if (extended) {
    SMenuEx menu;
    if (menu.Load(L"smenuex:menu_ex")) menu.TrackPopupMenu(TPM_BOTTOMALIGN, corner.x, corner.y, GetHwnd());
  } else {
    SMenu menu;
    if (menu.Load(L"smenu:menu_plain")) menu.TrackPopupMenu(TPM_BOTTOMALIGN, corner.x, corner.y, GetHwnd());
  }
}

void CGalleryWnd::OnMenuCommand(int id) {
  ShowEvent(L"menu command " + std::to_wstring(id));
  if (id == kCmdChinese) SwitchLanguage(L"translator:lang_cn");
  else if (id == kCmdEnglish) SwitchLanguage(L"translator:lang_en");
  else if (id == kCmdExit) ::PostMessageW(GetHwnd(), WM_CLOSE, 0, 0);
}

bool CGalleryWnd::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_COMMAND && HIWORD(wParam) == 0) {
    OnMenuCommand(LOWORD(wParam));
    return true;
  }
  if (msg == WM_TIMER && wParam == kExitTimer) {
    ::DestroyWindow(hwnd);
    return true;
  }
  return SHostWnd::ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
}

bool CGalleryWnd::OnFireEvent(EventArgs& e) {
  const std::wstring& name = e.NameFrom();
  switch (e.GetID()) {
    case EventCmd::EventID:
      if (name == L"lang_cn") return SwitchLanguage(L"translator:lang_cn");
      if (name == L"lang_en") return SwitchLanguage(L"translator:lang_en");
      if (name == L"btn_msgbox") ShowMessageBox();
      else if (name == L"btn_menu") ShowMenu(false);
      else if (name == L"btn_menuex") ShowMenu(true);
      else ShowEvent(L"click " + name);
      // Window buttons keep the host's own handling.
      return name != L"btn_close" && name != L"btn_min";
    case EventCBSelChange::EventID:
      ShowEvent(name + L" item " + std::to_wstring(static_cast<EventCBSelChange&>(e).nCurSel));
      return true;
    case EventSliderPos::EventID: {
      int pos = static_cast<EventSliderPos&>(e).nPos;
      if (name == L"bar_brightness")
        if (SWindow* value = FindChildByName(L"bar_value")) value->SetWindowText(std::to_wstring(pos));
      ShowEvent(name + L" " + std::to_wstring(pos));
      return true;
    }
    case EventTabSelChanged::EventID:
      ShowEvent(L"page " + std::to_wstring(static_cast<EventTabSelChanged&>(e).uNewSel));
      return true;
    case EventLVSelChanged::EventID:
      ShowEvent(name + L" row " + std::to_wstring(static_cast<EventLVSelChanged&>(e).iNewSel));
      return true;
    default:
      return false;
  }
}

}  // namespace gallery
