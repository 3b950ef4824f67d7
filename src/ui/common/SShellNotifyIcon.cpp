#include "ui/common/SShellNotifyIcon.h"

#include <algorithm>
#include <cstdint>

#include "toolkit/core/AttrParse.h"
#include "toolkit/core/SApplication.h"
#include "toolkit/menu/SMenu.h"
#include "toolkit/menu/SMenuEx.h"
#include "ui/common/CShellNotifyHwnd2.h"
#include "ui/common/IconLoader.h"

namespace kb::ui {

namespace {

constexpr UINT kAddFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
constexpr int kMenuScale = 100;
constexpr wchar_t kIconListSeparator = L';';

}  // namespace

SShellNotifyIcon::SShellNotifyIcon() = default;

SShellNotifyIcon::~SShellNotifyIcon() {
  RemoveIcon();
  DestroyIcons();
  if (logo_) ::DestroyIcon(logo_);
}

UINT SShellNotifyIcon::TaskbarCreatedMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

int SShellNotifyIcon::TrayIconSize() {
  int size = ::GetSystemMetrics(SM_CXSMICON);
  return size > 0 ? size : kFallbackIconSize;
}

HWND SShellNotifyIcon::GetMessageHwnd() const { return msgWnd_ ? msgWnd_->GetHwnd() : nullptr; }

// --- attributes ---

bool SShellNotifyIcon::OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) {
  if (name == L"ico") {
    SetIcons(value);
    return true;
  }
  if (name == L"tip") {
    SetTip(value);
    return true;
  }
  if (name == L"menu") {
    SetMenu(value);
    return true;
  }
  if (name == L"deficoidx" || name == L"startframe" || name == L"duration") {
    std::optional<int> v = ParseInt(value);
    // A negative index or duration would address no icon and no timer.
    if (!v || *v < 0) return false;
    if (name == L"deficoidx") defIconIdx_ = *v;
    else if (name == L"startframe") startFrame_ = *v;
    else duration_ = *v;
    return true;
  }
  return SWindow::OnAttribute(name, value, loading);
}

void SShellNotifyIcon::SetIcons(const std::wstring& names) {
  DestroyIcons();
  for (const std::wstring& name : SplitList(names, kIconListSeparator)) {
    if (name.empty()) continue;
    if (HICON icon = IconLoader::Load(name, TrayIconSize(), TrayIconSize())) icons_.push_back(icon);
  }
  if (defIconIdx_ >= static_cast<int>(icons_.size())) defIconIdx_ = 0;
  // The record must never keep a handle destroyed above.
  if (nid_.cbSize != 0) {
    if (animating_) StopAnimation();
    ShowIcon(DefaultIcon());
  }
}

void SShellNotifyIcon::DestroyIcons() {
  for (HICON icon : icons_) ::DestroyIcon(icon);
  icons_.clear();
}

void SShellNotifyIcon::SetMenu(const std::wstring& name) {
  SApplication* app = SApplication::Instance();
  pugi::xml_document doc;
  if (!app || !app->LoadXmlDocument(doc, name, L"SMENU")) return;
  std::string root = doc.document_element().name();
  if (root == "menu") menuKind_ = MenuKind::kMenu;
  else if (root == "menuRoot") menuKind_ = MenuKind::kMenuEx;
  else menuKind_ = MenuKind::kNone;
  if (menuKind_ != MenuKind::kNone) menuName_ = name;
}

void SShellNotifyIcon::SetTip(const std::wstring& raw) {
  SApplication* app = SApplication::Instance();
  rawTipText_ = app ? app->ResolveString(raw) : raw;
  tipText_ = Translate(rawTipText_);
  if (nid_.cbSize == 0) return;
  nid_.uFlags = (nid_.uFlags & ~NIF_INFO) | NIF_TIP;
  CopyTip();
  ::Shell_NotifyIconW(NIM_MODIFY, &nid_);
}

// The shell takes UTF-16; the program's text is UTF-16 on Windows and UTF-32
// here. The tip is cut to kTipChars units without splitting a pair.
void SShellNotifyIcon::CopyTip() {
  size_t n = 0;
  for (wchar_t c : tipText_) {
    auto cp = static_cast<uint32_t>(c);
    WCHAR units[2] = {static_cast<WCHAR>(cp), 0};
    size_t count = 1;
    if (cp > 0xFFFF) {
      cp -= 0x10000;
      units[0] = static_cast<WCHAR>(0xD800 + (cp >> 10));
      units[1] = static_cast<WCHAR>(0xDC00 + (cp & 0x3FF));
      count = 2;
    }
    bool highSurrogate = count == 1 && cp >= 0xD800 && cp <= 0xDBFF;
    if (n + count + (highSurrogate ? 1 : 0) > kTipChars) break;
    for (size_t k = 0; k < count; ++k) nid_.szTip[n++] = units[k];
  }
  std::fill(std::begin(nid_.szTip) + static_cast<std::ptrdiff_t>(n), std::end(nid_.szTip), WCHAR{0});
}

void SShellNotifyIcon::OnLanguageChanged() {
  SWindow::OnLanguageChanged();
  if (!rawTipText_.empty()) SetTip(rawTipText_);
}

// --- the icon in the notification area ---

void SShellNotifyIcon::OnInitFinished(pugi::xml_node node) {
  SWindow::OnInitFinished(node);
  AddIcon();
}

HICON SShellNotifyIcon::DefaultIcon() {
  if (defIconIdx_ >= 0 && defIconIdx_ < static_cast<int>(icons_.size())) return icons_[defIconIdx_];
  if (!icons_.empty()) return icons_.front();
  if (!logo_) logo_ = IconLoader::Load(kLogoResource, TrayIconSize(), TrayIconSize());
  return logo_;
}

void SShellNotifyIcon::AddIcon() {
  if (msgWnd_) return;
  msgWnd_ = CShellNotifyHwnd2::CreateFor(dynamic_cast<CSimpleWnd*>(GetContainer()), this);
  if (!msgWnd_) return;
  if (defIconIdx_ >= static_cast<int>(icons_.size())) defIconIdx_ = 0;
  nid_ = NOTIFYICONDATAW{};
  // The structure as this build declares it; a fixed size from another
  // target's declaration would be refused by the 64-bit shell.
  nid_.cbSize = sizeof(NOTIFYICONDATAW);
  nid_.hWnd = msgWnd_->GetHwnd();
  nid_.uID = kIconId;
  nid_.uFlags = kAddFlags;
  nid_.uCallbackMessage = kCallbackMessage;
  nid_.hIcon = DefaultIcon();
  CopyTip();
  // Without a taskbar yet the add fails; "TaskbarCreated" brings it later.
  added_ = ::Shell_NotifyIconW(NIM_ADD, &nid_) != FALSE;
}

bool SShellNotifyIcon::ReAdd() {
  if (nid_.cbSize == 0 || !msgWnd_) return false;
  added_ = ::Shell_NotifyIconW(NIM_ADD, &nid_) != FALSE;
  return added_;
}

bool SShellNotifyIcon::ShowIcon(HICON icon) {
  nid_.hIcon = icon;
  if (nid_.cbSize == 0 || !msgWnd_) return false;
  return ::Shell_NotifyIconW(NIM_MODIFY, &nid_) != FALSE;
}

void SShellNotifyIcon::RemoveIcon() {
  if (animating_ && msgWnd_) ::KillTimer(msgWnd_->GetHwnd(), CShellNotifyHwnd2::kAnimationTimerId);
  animating_ = false;
  if (nid_.cbSize != 0) ::Shell_NotifyIconW(NIM_DELETE, &nid_);
  nid_ = NOTIFYICONDATAW{};
  added_ = false;
  if (!msgWnd_) return;
  CShellNotifyHwnd2* wnd = msgWnd_;
  msgWnd_ = nullptr;
  wnd->Detach();
  // Destroyed at once rather than by a posted WM_CLOSE: at shutdown no
  // message loop is left to deliver it.
  wnd->DestroyNow();
}

void SShellNotifyIcon::OnMessageWindowGone() {
  msgWnd_ = nullptr;
  animating_ = false;
}

void SShellNotifyIcon::OnDestroy() {
  RemoveIcon();
  SWindow::OnDestroy();
}

// --- menu ---

void SShellNotifyIcon::ShowMenu() {
  if (menuKind_ == MenuKind::kNone) return;
  HWND host = GetHostHwnd();
  std::unique_ptr<SMenu> menu = menuKind_ == MenuKind::kMenuEx ? std::make_unique<SMenuEx>() : std::make_unique<SMenu>();
  if (!menu->Load(menuName_)) return;
  POINT pt{};
  ::GetCursorPos(&pt);
  if (host) ::SetForegroundWindow(host);
  menu->TrackPopupMenu(0, pt.x, pt.y, host, nullptr, kMenuScale);
}

// --- animation ---

void SShellNotifyIcon::StartAnimation() {
  if (!msgWnd_ || static_cast<int>(icons_.size()) <= startFrame_ + kMinAnimationSpan) return;
  currentFrame_ = startFrame_;
  nid_.uFlags = (nid_.uFlags & ~NIF_INFO) | NIF_ICON;
  ::SetTimer(msgWnd_->GetHwnd(), CShellNotifyHwnd2::kAnimationTimerId, static_cast<UINT>(duration_), nullptr);
  animating_ = true;
}

void SShellNotifyIcon::OnAnimationTimer() {
  if (!animating_ || icons_.empty()) return;
  if (currentFrame_ >= static_cast<int>(icons_.size())) currentFrame_ = startFrame_;
  ShowIcon(icons_[static_cast<size_t>(currentFrame_)]);
  ++currentFrame_;
}

void SShellNotifyIcon::StopAnimation() {
  currentFrame_ = 0;
  if (animating_) {
    animating_ = false;
    if (msgWnd_) ::KillTimer(msgWnd_->GetHwnd(), CShellNotifyHwnd2::kAnimationTimerId);
  }
  ShowIcon(DefaultIcon());
}

void SShellNotifyIcon::SetIconIndex(int index) {
  if (index < 0 || index >= static_cast<int>(icons_.size())) return;
  defIconIdx_ = index;
  if (animating_) return;
  nid_.uFlags = (nid_.uFlags & ~NIF_INFO) | NIF_ICON;
  ShowIcon(icons_[static_cast<size_t>(index)]);
}

// --- the taskbar came back ---

bool SShellNotifyIcon::ForwardTaskbarCreated(SWindow* root, UINT msg) {
  if (!root || msg == 0 || msg != TaskbarCreatedMessage()) return false;
  if (root->IsClass(ClassName())) static_cast<SShellNotifyIcon*>(root)->ReAdd();
  for (size_t i = 0; i < root->GetChildCount(); ++i) ForwardTaskbarCreated(root->GetChild(i), msg);
  return true;
}

}  // namespace kb::ui
