#pragma once
// The gallery's window: every control of the toolkit, with the events they
// raise shown on the bottom line, and buttons that open a message box, a
// plain menu and an extended menu. Its two language buttons switch between
// Chinese and English the way the program does.
#include <string>
#include <vector>

#include "toolkit/controls/ILvAdapter.h"
#include "toolkit/core/SEvents.h"
#include "toolkit/window/SHostWnd.h"

namespace gallery {

using namespace kb::ui;

class GroupAdapter : public ILvAdapter {
 public:
  int GetCount() override { return static_cast<int>(names_.size()); }
  void GetView(int position, SWindow* item, pugi::xml_node xmlTemplate) override;

 private:
  std::vector<std::wstring> names_ = {L"Copy and paste", L"游戏连招 Combo", L"Volume up", L"Screenshot",
                                      L"Open browser"};
};

class StepAdapter : public IMcAdapter {
 public:
  int GetCount() override { return static_cast<int>(steps_.size()); }
  void GetView(int position, SWindow* item, pugi::xml_node xmlTemplate) override;
  std::wstring GetColumnName(int column) const override { return L"col" + std::to_wstring(column + 1); }

 private:
  struct Step {
    int code;
    const wchar_t* name;
    bool down;
    int delay;
  };
  std::vector<Step> steps_ = {{0xe0, L"Left Ctrl", true, 30}, {0x06, L"C", true, 25}, {0x06, L"C", false, 25},
                              {0xe0, L"Left Ctrl", false, 0},  {0x19, L"V", true, 40}};
};

class CGalleryWnd : public SHostWnd {
 public:
  static constexpr UINT_PTR kExitTimer = 1;

  CGalleryWnd();
  // Fills the lists; after the window exists.
  void Setup();
  // Loads "lang_cn" or "lang_en" and translates the window again.
  bool SwitchLanguage(const std::wstring& resName);

  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool OnFireEvent(EventArgs& e) override;

 private:
  void ShowEvent(const std::wstring& text);
  void ShowMessageBox();
  void ShowMenu(bool extended);
  void OnMenuCommand(int id);

  GroupAdapter groups_;
  StepAdapter steps_;
};

}  // namespace gallery
