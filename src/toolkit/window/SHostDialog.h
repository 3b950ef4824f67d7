#pragma once
// A modal host window: DoModal disables the owner, runs a message loop until
// EndDialog, then enables the owner again and returns the code. The window
// gets WM_INITDIALOG before it is shown. Escape, the close button and
// WM_CLOSE end it with IDCANCEL; controls named "btn_ok"/"btnOK" (or with id
// IDOK) and "btn_cancel"/"btnCancel" (or IDCANCEL) end it, unless the
// program's event map handles them first.
#include "toolkit/window/DialogCodes.h"
#include "toolkit/window/SHostWnd.h"

namespace kb::ui {

class SHostDialog : public SHostWnd {
 public:
  explicit SHostDialog(std::wstring layoutName = L"");

  INT_PTR DoModal(HWND owner = nullptr);
  void EndDialog(INT_PTR code);
  bool IsModalRunning() const { return running_; }
  // Ends every modal loop this thread runs (message boxes inside a dialog
  // too); each returns `code` as its loop gets control back. True if any ran.
  static bool EndAllModal(INT_PTR code);

  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  bool OnDefaultEvent(EventArgs& e) override;
  void OnEscapeKey() override { EndDialog(IDCANCEL); }
  DWORD DefaultExStyle() const override;

 private:
  bool running_ = false;
  bool ended_ = false;
  INT_PTR code_ = IDCANCEL;
};

}  // namespace kb::ui
