#pragma once
// An application with the test resources (res/), the toolkit's system
// resources and generated images, and helpers that deliver window messages
// to hosts the way the window procedure gets them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/text.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/core/SResProviderFiles.h"
#include "toolkit/core/SResProviderMemory.h"
#include "toolkit/window/SHostWnd.h"

namespace kbtest {

using namespace kb::ui;

// The named ids of the test layouts.
const std::vector<std::pair<std::wstring, int>>& TestNamedIds();
std::wstring TestResFolder();

class ToolkitTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Loads a test layout into a host without creating its window.
  std::unique_ptr<SHostWnd> LoadHost(const std::wstring& layout);
  // Installs a language resource ("lang_cn") as the pack of its name.
  bool InstallLanguage(const std::wstring& resName);

  std::unique_ptr<SApplication> app_;
  std::shared_ptr<SResProviderFiles> files_;
  std::shared_ptr<SResProviderMemory> memory_;
  std::shared_ptr<STranslatorMgr> translator_;
};

// The colours of the four frames of the generated "img:states4" image.
extern const Color kStateColors[4];

// Messages as the window procedure gets them: through SendMessageW when the
// host has a window, else straight into its message map.
LRESULT Deliver(SHostWnd& host, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
Point CenterOf(const SWindow* window);
void Click(SHostWnd& host, Point pt, WPARAM extraFlags = 0);
void MouseMove(SHostWnd& host, Point pt, WPARAM flags = 0);
void KeyPress(SHostWnd& host, UINT vk);
void TypeText(SHostWnd& host, const std::wstring& text);
LPARAM PointParam(Point pt);

// Counts events of one id raised by controls of a host.
class EventRecorder {
 public:
  EventRecorder(SWindow* control, int eventId);
  int Count() const { return count_; }
  const std::vector<int>& Values() const { return values_; }

 private:
  int count_ = 0;
  std::vector<int> values_;
};

}  // namespace kbtest
