#pragma once
// The main dialog in a real window against a private kbsim daemon: the
// program's resource package from the build's output folder, its controls,
// data files in a fresh folder per test, and message boxes answered by the
// test.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/MessagePump.h"
#include "platform/win32.h"
#include "sim/KbsimProcess.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/window/DialogCodes.h"
#include "ui/MainDlg.h"

namespace kbtest {


struct MessageBoxSeen {
  std::wstring title;
  std::wstring text;
};

class MainDlgTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

 public:

  // Creates the dialog's window, initialises it (WM_INITDIALOG) and shows
  // it; the window, or null when initialisation destroyed it.
  HWND OpenDialog();
  // Closes the window (if still there) and destroys the dialog.
  void CloseDialog();
  bool WindowAlive() const { return hwnd_ && IsWindow(hwnd_); }

  // The bytes ("07 ff ff ...") of the daemon's log lines of one kind.
  std::vector<std::string> Sent(const std::string& kind) const;
  std::string LastSent(const std::string& kind) const;
  std::string Status() const { return sim_.Command({"status"}).text; }
  void ResetLog() const { sim_.Command({"reset-log"}); }

  // Moves a slider as the user would (value set, position event raised).
  void MoveSlider(const wchar_t* name, int value);
  void Click(const wchar_t* name);
  // Waits until the lighting the dialog handed to its worker has been sent.
  void Settle();
  kb::ui::SWindow* Find(const wchar_t* name) const;

  static kb::ui::SApplication* App() { return app_; }

  std::string folder_;
  // One daemon for the whole suite: the platform follows device changes of
  // the daemon it first reached, as a machine has one set of hardware.
  kb::test::KbsimProcess& sim_ = *suiteSim_;
  std::unique_ptr<CMainDlg> dlg_;
  HWND hwnd_ = nullptr;
  // Answers of the next message boxes, in order; IDOK when none is left.
  std::vector<int> answers_;
  std::vector<MessageBoxSeen> boxes_;
  // Runs on the dialog between its construction and its initialisation.
  std::function<void(CMainDlg&)> beforeInit_;

 private:
  static kb::ui::SApplication* app_;
  static kb::test::KbsimProcess* suiteSim_;
};

}  // namespace kbtest
