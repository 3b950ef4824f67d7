#pragma once
// An application with the test resources (res/), the toolkit's system
// resources and generated images, and helpers that deliver window messages
// to hosts the way the window procedure gets them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/HostInput.h"
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
