#include "toolkit/window/SHostDialog.h"

#include <algorithm>
#include <vector>

#include "toolkit/core/SApplication.h"

namespace kb::ui {

namespace {

// The dialogs whose modal loop runs on this thread, innermost last.
thread_local std::vector<SHostDialog*> runningModals;

}  // namespace

bool SHostDialog::EndAllModal(INT_PTR code) {
  std::vector<SHostDialog*> running = runningModals;
  for (SHostDialog* dialog : running) dialog->EndDialog(code);
  return !running.empty();
}

SHostDialog::SHostDialog(std::wstring layoutName) : SHostWnd(std::move(layoutName)) {}

DWORD SHostDialog::DefaultExStyle() const { return SHostWnd::DefaultExStyle() & ~static_cast<DWORD>(WS_EX_APPWINDOW); }

INT_PTR SHostDialog::DoModal(HWND owner) {
  if (running_) return -1;
  ended_ = false;
  code_ = IDCANCEL;
  // Opened from a button's click handler, the opener still holds the mouse
  // and its pressed button: the dialog's first click would end that press
  // instead of reaching the dialog.
  ::ReleaseCapture();
  if (!GetHwnd() && !Create(owner)) return -1;
  ::SendMessageW(GetHwnd(), WM_INITDIALOG, 0, 0);
  // WM_INITDIALOG may already have ended the dialog.
  if (!ended_ && GetHwnd()) {
    CenterWindow(owner);
    // EnableWindow returns whether the owner was disabled before.
    bool ownerWasDisabled = owner && ::EnableWindow(owner, FALSE);
    ::ShowWindow(GetHwnd(), SW_SHOWNORMAL);
    ::SetForegroundWindow(GetHwnd());
    ::SetFocus(GetHwnd());
    running_ = true;
    runningModals.push_back(this);
    if (SApplication* app = SApplication::Instance()) app->NotifyModalEnter(*this);
    MSG msg;
    while (!ended_ && GetHwnd()) {
      BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
      if (got == 0) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (got == -1) break;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    running_ = false;
    runningModals.erase(std::remove(runningModals.begin(), runningModals.end(), this), runningModals.end());
    // The owner is enabled before this window goes, so the activation
    // returns to it rather than to some other application.
    if (owner && !ownerWasDisabled) ::EnableWindow(owner, TRUE);
    if (owner) ::SetForegroundWindow(owner);
  }
  if (GetHwnd()) ::DestroyWindow(GetHwnd());
  return code_;
}

void SHostDialog::EndDialog(INT_PTR code) {
  code_ = code;
  ended_ = true;
  // Wakes the loop if nothing else is queued.
  if (GetHwnd()) ::PostMessageW(GetHwnd(), WM_NULL, 0, 0);
}

bool SHostDialog::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_CLOSE) {
    EndDialog(IDCANCEL);
    result = 0;
    return true;
  }
  return SHostWnd::ProcessWindowMessage(hwnd, msg, wParam, lParam, result);
}

bool SHostDialog::OnDefaultEvent(EventArgs& e) {
  if (e.GetID() == EventCmd::EventID) {
    const std::wstring& name = e.NameFrom();
    if (name == L"btn_ok" || name == L"btnOK" || e.IdFrom() == IDOK) {
      EndDialog(IDOK);
      return true;
    }
    if (name == L"btn_cancel" || name == L"btnCancel" || name == L"btn_close" || e.IdFrom() == IDCANCEL) {
      EndDialog(IDCANCEL);
      return true;
    }
  }
  return SHostWnd::OnDefaultEvent(e);
}

}  // namespace kb::ui
