#pragma once
// An application whose resources are made in memory for the program's
// controls: image-list skins whose frames are flat colours (so a pixel tells
// which frame was drawn), layouts given as text, and helpers that deliver
// window messages to hosts the way the window procedure gets them.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/HostInput.h"
#include "support/MessagePump.h"
#include "platform/text.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/core/SResProviderMemory.h"
#include "toolkit/render/Bitmap.h"
#include "toolkit/window/SHostWnd.h"

namespace kbtest {

using namespace kb::ui;

// Frame colours of the generated skins. Every skin's frames have colours of
// their own, so no two frames of any two skins look alike.
Color FrameColor(const std::wstring& skin, int frame);

// The generated skins, their frame counts and frame sizes.
struct SkinSpec {
  const wchar_t* name;
  int states;
  int width;
  int height;
};
const std::vector<SkinSpec>& TestSkins();
inline constexpr Color kBackground = Color::Rgb(250, 250, 250);

// A plain PNG and a .ico file of one flat colour.
std::vector<uint8_t> SolidPng(int width, int height, Color color);
std::vector<uint8_t> SolidIco(int width, int height, Color color);

class UiControlsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Adds a layout resource ("layout:NAME") with this body inside
  // <host size=...><root colorBkgnd=...>.
  void AddLayout(const std::wstring& name, const std::string& body, int width = 200, int height = 120,
                 const std::string& hostAttributes = "");
  // Builds and lays out a host without a window.
  std::unique_ptr<SHostWnd> LoadHost(const std::wstring& name);
  // The whole client area drawn.
  kb::render::Bitmap Render(SHostWnd& host);

  std::unique_ptr<SApplication> app_;
  std::shared_ptr<SResProviderMemory> memory_;
  std::shared_ptr<STranslatorMgr> translator_;
};

// The frame of `skin` that the pixel shows, or -1 when it shows none.
int FrameAt(const kb::render::Bitmap& bitmap, const std::wstring& skin, Point pt);

}  // namespace kbtest

namespace kbtest {

void PostClick(HWND hwnd, Point pt);
// Clicks the row with that command id in an open menu level.
void PostClickOnMenuItem(SHostWnd& popup, int id);
// Whether a system tray runs (scripts/with-xvfb --tray on Linux).
bool HaveTray();

}  // namespace kbtest
