#pragma once
// "shellnotifyicon": the program's icon in the notification area, placed in
// the main window's layout. It draws nothing in the window.
//   ico="ICON:a;ICON:b"  icons (resource names), loaded at the small icon size;
//                        none: "ICON:ICON_LOGO"
//   tip="text"           tooltip (string references resolved, translated)
//   menu="SMENU:name"    the menu a right click opens ("menu" or "menuRoot")
//   deficoidx="0"        icon shown when not animating
//   startframe="1"       first icon of the animation loop
//   duration="200"       milliseconds per animation frame
//
// The shell's notifications go to a hidden message-only window
// (CShellNotifyHwnd2). The host window (the main dialog) sees every tray
// callback (kCallbackMessage, the mouse message in lParam) and every
// WM_COMMAND of that window first, through its own message map, addressed
// to the message window's handle. What it leaves unhandled: a left click
// shows the host (in the foreground) or hides it, a right click opens the
// menu, whose command reaches the host as WM_COMMAND.
//
// "TaskbarCreated" (a new taskbar after Explorer restarted) is broadcast to
// top-level windows only, so the message-only window never hears it. The
// host passes it on with one line in its message map:
//
//   KB_BEGIN_MSG_MAP()
//     KB_CHAIN_TASKBAR_CREATED()
//     ...
//
// or by calling SShellNotifyIcon::ForwardTaskbarCreated(root, msg) from its
// own handler; every icon in the host's tree adds itself again.
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "toolkit/window/SWindow.h"

namespace kb::ui {

class CShellNotifyHwnd2;

class SShellNotifyIcon : public SWindow {
  KB_CLASS(SShellNotifyIcon, SWindow, L"shellnotifyicon")

 public:
  static constexpr UINT kCallbackMessage = 2135;
  static constexpr UINT kIconId = 100;
  static constexpr UINT kTipChars = 127;
  // The shell draws tray icons at the small icon size (SM_CXSMICON: 16 at
  // 96 dpi, more on scaled displays); this one when it says nothing.
  static constexpr int kFallbackIconSize = 16;
  static int TrayIconSize();
  static constexpr wchar_t kLogoResource[] = L"ICON:ICON_LOGO";
  static constexpr int kDefaultStartFrame = 1;
  static constexpr int kDefaultDuration = 200;
  // More icons than the loop's start plus this are needed to animate.
  static constexpr int kMinAnimationSpan = 3;

  enum class MenuKind { kMenu = 0, kMenuEx = 1, kNone = 2 };

  SShellNotifyIcon();
  ~SShellNotifyIcon() override;

  // Cycles the icons from "startframe" every "duration" ms; only with the
  // icon added and more than "startframe" + 3 icons.
  void StartAnimation();
  // Back to the icon at "deficoidx".
  void StopAnimation();
  // Shows icon `index` when not animating and keeps it as "deficoidx".
  void SetIconIndex(int index);
  // The message window's timer: the next frame of the animation.
  void OnAnimationTimer();
  // NIM_ADD with the record filled before; nothing before the first add.
  bool ReAdd();
  // Opens the menu at the cursor, owned by the host window.
  void ShowMenu();
  // Removes the icon from the notification area and releases the message
  // window (also done when the control is freed).
  void RemoveIcon();
  // The message window is gone (destroyed by anyone): forget it.
  void OnMessageWindowGone();

  // Every icon in `root`'s tree adds itself again when `msg` is the
  // "TaskbarCreated" message; returns whether it was.
  static bool ForwardTaskbarCreated(SWindow* root, UINT msg);
  static UINT TaskbarCreatedMessage();

  size_t GetIconCount() const { return icons_.size(); }
  HICON GetIcon(size_t index) const { return index < icons_.size() ? icons_[index] : nullptr; }
  int GetDefaultIconIndex() const { return defIconIdx_; }
  int GetStartFrame() const { return startFrame_; }
  int GetDuration() const { return duration_; }
  int GetCurrentFrame() const { return currentFrame_; }
  bool IsAnimating() const { return animating_; }
  MenuKind GetMenuKind() const { return menuKind_; }
  const std::wstring& GetMenuName() const { return menuName_; }
  const std::wstring& GetTip() const { return tipText_; }
  // The tip: a string reference or text, translated; the shell is told at once.
  void SetTip(const std::wstring& raw);
  const NOTIFYICONDATAW& GetNotifyData() const { return nid_; }
  bool IsAdded() const { return added_; }
  CShellNotifyHwnd2* GetMessageWindow() const { return msgWnd_; }
  HWND GetMessageHwnd() const;

  void OnInitFinished(pugi::xml_node node) override;
  void OnDestroy() override;
  void OnLanguageChanged() override;
  SWindow* HitTest(Point pt) override { return nullptr; }

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  void DrawBkgnd(render::Canvas& canvas) override {}
  void OnPaint(render::Canvas& canvas) override {}
  void PaintChildren(render::Canvas& canvas, const Rect& dirty) override {}

 private:
  void SetIcons(const std::wstring& names);
  void DestroyIcons();
  void SetMenu(const std::wstring& name);
  void CopyTip();
  void AddIcon();
  bool ShowIcon(HICON icon);
  HICON DefaultIcon();

  std::vector<HICON> icons_;
  HICON logo_ = nullptr;
  MenuKind menuKind_ = MenuKind::kNone;
  std::wstring menuName_;
  std::wstring rawTipText_;
  std::wstring tipText_;
  int defIconIdx_ = 0;
  int startFrame_ = kDefaultStartFrame;
  int duration_ = kDefaultDuration;
  NOTIFYICONDATAW nid_{};
  bool added_ = false;
  CShellNotifyHwnd2* msgWnd_ = nullptr;
  int currentFrame_ = 0;
  bool animating_ = false;
};

}  // namespace kb::ui

// In a host's message map: passes "TaskbarCreated" to the tray icons of its
// tree (and lets the host's own handlers see it too).
#define KB_CHAIN_TASKBAR_CREATED() \
  ::kb::ui::SShellNotifyIcon::ForwardTaskbarCreated(GetRoot(), uMsg);
