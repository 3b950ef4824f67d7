#pragma once
// An application with small generated pictures and a keyboard picture control
// built from a layout text, and key map files written beside the test
// executable (where "crdxml" looks for them).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/core/SApplication.h"
#include "toolkit/core/SResProviderMemory.h"
#include "toolkit/window/SHostWnd.h"
#include "ui/common/CoordButtonImage.h"

namespace kbtest {

using kb::ui::Color;
using kb::ui::Point;
using kb::ui::Rect;

// Uniform pictures the control's attributes can name ("img:bg", ...).
inline constexpr Color kBgColor = Color::Rgb(10, 20, 30);
inline constexpr Color kHoverColor = Color::Rgb(0, 200, 0);
inline constexpr Color kCheckedColor = Color::Rgb(200, 0, 0);
inline constexpr Color kPressedColor = Color::Rgb(0, 0, 200);
inline constexpr int kPictureWidth = 200;
inline constexpr int kPictureHeight = 100;
// Where the layouts put the control in the host window.
inline constexpr Point kControlOrigin{20, 10};

// One call to the listener.
struct ClickCall {
  int id;
  std::wstring name;
  int action;
  UINT flags;
  int x;
  int y;
};

class RecordingListener : public ICoordButtonClickListener {
 public:
  bool OnCoordButtonClick(int id, std::wstring name, int action, UINT flags, int x, int y) override {
    calls.push_back(ClickCall{id, std::move(name), action, flags, x, y});
    if (onClick) onClick(calls.back());
    return action == kCoordButtonPress ? pressResult : false;
  }
  std::vector<ClickCall> calls;
  bool pressResult = false;
  std::function<void(const ClickCall&)> onClick;
};

// The folder the test key maps are written to, relative to the executable.
inline constexpr wchar_t kKeyMapFolder[] = L"kbmap-test";

// Writes `xml` as kbmap-test/<name> beside the executable; returns the
// "crdxml" value naming it.
std::wstring WriteKeyMap(const std::string& name, const std::string& xml);

class KbmapTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A host of 300 x 200 with the control "pic" at kControlOrigin, sized
  // kPictureWidth x kPictureHeight, with the extra attributes given.
  std::unique_ptr<kb::ui::SHostWnd> MakeHost(const std::string& controlAttributes);
  CoordButtonImage* Picture(kb::ui::SHostWnd& host);

  std::unique_ptr<kb::ui::SApplication> app_;
  std::shared_ptr<kb::ui::SResProviderMemory> memory_;
};

// Mouse messages as the window procedure gets them; points in host
// coordinates.
void MoveTo(kb::ui::SHostWnd& host, Point pt);
void ButtonDown(kb::ui::SHostWnd& host, Point pt, WPARAM flags = MK_LBUTTON);
void ButtonUp(kb::ui::SHostWnd& host, Point pt, WPARAM flags = 0);
void Leave(kb::ui::SHostWnd& host);
// A point of the control's own coordinates in host coordinates.
Point HostPoint(int x, int y);

}  // namespace kbtest
