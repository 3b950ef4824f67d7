#include "toolkit/window/SMessageBox.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/diag.h"
#include "toolkit/controls/SImageWnd.h"
#include "toolkit/controls/STabCtrl.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/render/TextLayout.h"
#include "toolkit/window/SHostDialog.h"

namespace kb::ui {

namespace {

constexpr int kMaxTextWidth = 440;
constexpr int kMinWindowWidth = 300;

struct ButtonSpec {
  int id;
  const wchar_t* text;
};

std::vector<ButtonSpec> ButtonsFor(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{IDOK, L"OK"}, {IDCANCEL, L"Cancel"}};
    case MB_ABORTRETRYIGNORE:
      return {{IDABORT, L"Abort"}, {IDRETRY, L"Retry"}, {IDIGNORE, L"Ignore"}};
    case MB_YESNOCANCEL:
      return {{IDYES, L"Yes"}, {IDNO, L"No"}, {IDCANCEL, L"Cancel"}};
    case MB_YESNO:
      return {{IDYES, L"Yes"}, {IDNO, L"No"}};
    case MB_RETRYCANCEL:
      return {{IDRETRY, L"Retry"}, {IDCANCEL, L"Cancel"}};
    case MB_CANCELTRYCONTINUE:
      return {{IDCANCEL, L"Cancel"}, {IDTRYAGAIN, L"Try Again"}, {IDCONTINUE, L"Continue"}};
    default:
      return {{IDOK, L"OK"}};
  }
}

// The icon's state in the "msgicon" skin: information, warning, error,
// question; -1 for none.
int IconFor(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONINFORMATION:
      return 0;
    case MB_ICONWARNING:
      return 1;
    case MB_ICONERROR:
      return 2;
    case MB_ICONQUESTION:
      return 3;
    default:
      return -1;
  }
}

class SMessageBoxDlg final : public SHostDialog {
 public:
  SMessageBoxDlg(std::wstring layoutName, std::wstring text, std::wstring caption, UINT type)
      : SHostDialog(std::move(layoutName)),
        text_(std::move(text)), caption_(std::move(caption)), type_(type), buttons_(ButtonsFor(type)) {}

  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (msg == WM_INITDIALOG) {
      Fill();
      result = TRUE;
      return true;
    }
    if (msg == WM_CLOSE) {
      if (int code = EscapeResult()) EndDialog(code);
      result = 0;
      return true;
    }
    return SHostDialog::ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
  }

 protected:
  bool OnFireEvent(EventArgs& e) override {
    if (e.GetID() != EventCmd::EventID) return false;
    for (const wchar_t* name : {L"button1st", L"button2nd", L"button3rd"}) {
      if (e.NameFrom() == name && e.IdFrom() != 0) {
        EndDialog(e.IdFrom());
        return true;
      }
    }
    if (e.NameFrom() == L"btn_close") {
      if (int code = EscapeResult()) EndDialog(code);
      return true;
    }
    return false;
  }

  void OnEscapeKey() override {
    if (int code = EscapeResult()) EndDialog(code);
  }

 private:
  // What Escape and the close button answer: Cancel when there is one, OK
  // for a box with only OK; otherwise the box cannot be dismissed that way.
  int EscapeResult() const {
    for (const ButtonSpec& b : buttons_)
      if (b.id == IDCANCEL) return IDCANCEL;
    return buttons_.size() == 1 && buttons_[0].id == IDOK ? IDOK : 0;
  }

  void Fill() {
    SApplication* app = SApplication::Instance();
    auto tr = [&](const std::wstring& s) { return app ? app->Translate(s, GetTranslatorContext()) : s; };
    std::wstring title = tr(caption_);
    ::SetWindowTextW(GetHwnd(), title.c_str());
    if (SWindow* t = FindChildByName(L"msgtitle")) t->SetWindowText(caption_);
    SWindow* body = FindChildByName(L"msgtext");
    if (body) body->SetWindowText(text_);
    int icon = IconFor(type_);
    if (auto* img = FindChildByName<SImageWnd>(L"msgicon")) {
      if (icon < 0) img->SetVisible(false);
      else img->SetIcon(icon);
    }
    SetupButtons();
    FitToText(body);
  }

  void SetupButtons() {
    auto* pages = FindChildByName<STabCtrl>(L"btnSwitch");
    int count = static_cast<int>(buttons_.size());
    SWindow* page = nullptr;
    if (pages) {
      pages->SetCurSel(count - 1, false);
      page = pages->GetItem(count - 1);
    }
    SWindow* scope = page ? page : GetRoot();
    const wchar_t* names[] = {L"button1st", L"button2nd", L"button3rd"};
    int defaultIndex = 0;
    if ((type_ & MB_DEFMASK) == MB_DEFBUTTON2) defaultIndex = 1;
    if ((type_ & MB_DEFMASK) == MB_DEFBUTTON3) defaultIndex = 2;
    defaultIndex = std::min(defaultIndex, count - 1);
    for (int i = 0; i < count; ++i) {
      SWindow* button = scope ? scope->FindChildByName(names[i]) : nullptr;
      if (!button) {
        DiagPrintfW(L"message box layout has no %ls\n", names[i]);
        continue;
      }
      button->SetID(buttons_[static_cast<size_t>(i)].id);
      button->SetWindowText(buttons_[static_cast<size_t>(i)].text);
      if (i == defaultIndex) button->SetFocus();
    }
  }

  // Grows the window so the whole text shows.
  void FitToText(SWindow* body) {
    if (!body) return;
    UpdateLayoutNow();
    Rect box = body->GetClientRect();
    auto font = body->GetStyle().GetFont(0);
    std::wstring shown = body->GetWindowText();
    Size natural = render::MeasureText(*font, shown, render::kTextWordBreak, kMaxTextWidth);
    Size client = GetLogicalClientSize();
    int width = std::max({client.cx, kMinWindowWidth, client.cx + natural.cx - box.Width()});
    Size wrapped = render::MeasureText(*font, shown, render::kTextWordBreak, box.Width() + (width - client.cx));
    int height = client.cy + std::max(0, wrapped.cy - box.Height());
    if (width == client.cx && height == client.cy) return;
    Size device = GetScale().ToDevice(Size{width, height});
    ::SetWindowPos(GetHwnd(), nullptr, 0, 0, device.cx, device.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  std::wstring text_;
  std::wstring caption_;
  UINT type_;
  std::vector<ButtonSpec> buttons_;
};

}  // namespace

int SMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  SApplication* app = SApplication::Instance();
  if (!app) return 0;
  bool programLayout = app->HasResource(L"LAYOUT", SApplication::kSysMsgBox);
  SMessageBoxDlg dialog(programLayout ? std::wstring(L"LAYOUT:") + SApplication::kSysMsgBox : std::wstring(),
                        text ? text : L"", caption ? caption : L"Error", type);
  if (!programLayout) {
    std::string layout = app->GetSystemResource(SApplication::kSysMsgBox);
    if (layout.empty()) {
      DiagPrintf("message box layout missing\n");
      return 0;
    }
    dialog.SetLayoutXml(std::move(layout));
  }
  return static_cast<int>(dialog.DoModal(owner));
}

}  // namespace kb::ui
