#pragma once
// The macro dialog's tests: an application set up as the program sets itself
// up (the real resource package, named ids, the program's controls), private
// macro and record stores in a scratch folder, a small keyboard picture, and
// message pumping for real windows.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppConfig.h"
#include "macro/MacroStore.h"
#include "macro/RecordStore.h"
#include "support/MessagePump.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/core/SResProviderFiles.h"
#include "toolkit/window/SHostWnd.h"
#include "ui/common/CoordButtonImage.h"

namespace macrotest {

// Keys A and B of the keyboard page.
inline constexpr KeyCode kCodeA = MakeKeyCode(7, 0x04);
inline constexpr KeyCode kCodeB = MakeKeyCode(7, 0x05);

using namespace kb::ui;

// Keys of the test picture: id = usage, va = page.
inline constexpr int kKeyA = 0x04;
inline constexpr int kKeyB = 0x05;
inline constexpr int kKeyCapsLock = 0x39;
inline constexpr int kKeyF1 = 0x3A;

std::wstring PackageFolder();
// A fresh empty folder under the system's temporary folder.
std::string MakeScratchFolder();
std::string ReadText(const std::string& path);

class MacroDlgTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A window holding only the keyboard picture, with four keys.
  void CreatePicture();
  // Two media entries and three function entries (one without keys).
  static AppConfig TestConfig();
  // Message boxes are answered OK at once, their texts noted in warnings_;
  // any other modal window is handed to `script`.
  void SetModalScript(std::function<void(SHostWnd&)> script);
  std::wstring MacroPath() const;
  std::wstring RecordPath() const;

  std::unique_ptr<SApplication> app_;
  std::shared_ptr<SResProviderFiles> files_;
  std::string scratch_;
  MacroStore macros_;
  RecordStore records_;
  AppConfig config_ = TestConfig();
  std::vector<std::wstring> warnings_;
  std::unique_ptr<SHostWnd> pictureHost_;
  CoordButtonImage* picture_ = nullptr;
};

// Dispatches the thread's messages until `done` holds or `timeoutMs` passes.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  return kbtest::PumpUntil(done, timeoutMs);
}
inline void PumpFor(int milliseconds) { kbtest::Pump(milliseconds); }

}  // namespace macrotest
