#pragma once
// The base of every control ("window"): a node of the control tree with a
// rectangle in its host window, a text that is translated, a tooltip, a
// style, states (hover, pushed, checked, disabled, focus), events and
// children created from layout XML.
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "toolkit/core/SEventSet.h"
#include "toolkit/core/SObject.h"
#include "toolkit/core/Types.h"
#include "toolkit/render/Canvas.h"
#include "toolkit/skin/SwndStyle.h"
#include "toolkit/window/ISwndContainer.h"
#include "toolkit/window/SLayoutParam.h"

namespace kb::ui {

class ISkinObj;

inline constexpr unsigned kStateHover = 0x1;
inline constexpr unsigned kStatePushed = 0x2;
inline constexpr unsigned kStateChecked = 0x4;
inline constexpr unsigned kStateDisabled = 0x8;

class SWindow : public SObject {
  KB_CLASS(SWindow, SObject, L"window")

 public:
  SWindow();
  ~SWindow() override;
  SWindow(const SWindow&) = delete;
  SWindow& operator=(const SWindow&) = delete;

  // --- tree ---
  SWindow* GetParent() const { return parent_; }
  ISwndContainer* GetContainer() const { return container_; }
  HWND GetHostHwnd() const { return container_ ? container_->GetHostHwnd() : nullptr; }
  size_t GetChildCount() const { return children_.size(); }
  SWindow* GetChild(size_t index) const { return index < children_.size() ? children_[index].get() : nullptr; }
  int IndexOfChild(const SWindow* child) const;
  // Adds at `index` (the end by default) and returns the child.
  SWindow* InsertChild(std::unique_ptr<SWindow> child, size_t index = static_cast<size_t>(-1));
  // Takes the child out of the tree; every reference the host had to it is dropped.
  std::unique_ptr<SWindow> RemoveChild(SWindow* child);
  // Removes the child and frees it when the current message is done, so a
  // control may destroy itself or its siblings from its own event.
  void DestroyChild(SWindow* child);
  void DestroyAllChildren();
  bool IsDescendantOf(const SWindow* ancestor) const;

  // Depth-first; -1 searches the whole subtree, 1 only the children.
  SWindow* FindChildByName(std::wstring_view name, int depth = -1) const;
  SWindow* FindChildByID(int id, int depth = -1) const;
  // With a class check: a control of another class counts as missing.
  template <class T>
  T* FindChildByName(std::wstring_view name, int depth = -1) const {
    SWindow* w = FindChildByName(name, depth);
    return w && w->IsClass(T::ClassName()) ? static_cast<T*>(w) : nullptr;
  }
  template <class T>
  T* FindChildByID(int id, int depth = -1) const {
    SWindow* w = FindChildByID(id, depth);
    return w && w->IsClass(T::ClassName()) ? static_cast<T*>(w) : nullptr;
  }

  // --- creation from XML ---
  // Applies object defaults, the style class and the node's attributes, then
  // creates the children. Returns false when an attribute or child failed
  // (the control is still usable).
  bool InitFromXml(pugi::xml_node node);
  // Creates one child per element through the factories; elements the
  // control consumes itself (OnChildXml) are skipped.
  bool CreateChildren(pugi::xml_node node);

  // --- identity and text ---
  const std::wstring& GetName() const { return name_; }
  void SetName(std::wstring name) { name_ = std::move(name); }
  int GetID() const { return id_; }
  void SetID(int id) { id_ = id; }
  ULONG_PTR GetUserData() const { return userData_; }
  void SetUserData(ULONG_PTR data) { userData_ = data; }

  // The text as given (after "@string/" references) and as shown.
  virtual void SetWindowText(std::wstring_view text);
  std::wstring GetWindowText(bool raw = false) const { return raw ? rawText_ : text_; }
  void SetToolTipText(std::wstring_view tip);
  const std::wstring& GetToolTipRaw() const { return rawTip_; }
  // The tooltip for a point in host coordinates (controls with parts differ).
  virtual std::wstring GetToolTipText(Point pt) const { return tip_; }
  // Through the translator in the host's context, unless translate="0".
  std::wstring Translate(const std::wstring& raw) const;
  // What a screen reader calls the control: "accName" (translated like the
  // text; for controls that show no text of their own, such as sliders and
  // drop-downs, usually the label beside them), else the text shown, else
  // the tooltip (image buttons).
  virtual std::wstring GetAccessibleName() const;
  void SetAccessibleName(std::wstring_view name);

  // --- state ---
  unsigned GetState() const { return state_; }
  void ModifyState(unsigned add, unsigned remove, bool update = true);
  bool IsVisible(bool checkParents = false) const;
  void SetVisible(bool visible, bool update = true);
  bool IsDisabled(bool checkParents = false) const;
  void EnableWindow(bool enable, bool update = true);
  bool IsChecked() const { return (state_ & kStateChecked) != 0; }
  virtual void SetCheck(bool checked);
  bool IsFocusable() const;
  void SetFocusable(bool on) { focusable_ = on; }
  // Whether the control takes the focus at all, shown or not.
  bool WantsFocus() const { return focusable_; }
  bool IsFocused() const;
  void SetFocus();
  void KillFocus();
  bool IsMsgTransparent() const { return msgTransparent_; }
  // Whether Tab stops here (focusable, and tabStop="1", the default).
  virtual bool IsTabStop() const { return tabStop_ && IsFocusable(); }
  // The button Enter clicks when the focused control does not use the key.
  virtual bool IsDefaultButton() const { return false; }
  // What a click does, without the mouse (Enter, Space, default buttons).
  void PerformClick() {
    if (!IsDisabled(true)) OnClick();
  }
  // Labels and pictures hand mouse buttons to their parent (a click on a
  // caption's title drags the window) but keep hover and tooltips.
  virtual bool ForwardsMouseToParent() const { return false; }
  // Disabled controls get no mouse input unless they ask for it.
  virtual bool AcceptsDisabledInput() const { return false; }
  // 0 normal, 1 hover, 2 pushed, 3 disabled.
  int GetVisualState() const;

  // --- geometry and layout ---
  const Rect& GetWindowRect() const { return rect_; }
  Rect GetClientRect() const;
  // Sets the rectangle (host coordinates) and lays the children out.
  void Move(const Rect& rect);
  SLayoutParam& GetLayoutParam() { return layout_; }
  BoxLayout GetBoxLayout() const { return boxLayout_; }
  // The size the content needs; hints are the space available (0: none).
  virtual Size GetDesiredSize(int widthHint, int heightHint);
  virtual void UpdateChildrenPosition();
  void RequestRelayout();
  void Invalidate();
  void InvalidateRect(const Rect& rect);
  // The topmost visible window at a point (host coordinates), or null.
  virtual SWindow* HitTest(Point pt);

  // --- painting ---
  void PaintTree(render::Canvas& canvas, const Rect& dirty);
  SwndStyle& GetStyle() { return style_; }
  const SwndStyle& GetStyle() const { return style_; }
  ISkinObj* GetBkgndSkin() const { return style_.GetSkin(); }
  // True when this window's background (as SWindow draws it) covers its
  // rectangle opaquely: the host then need not clear under its root.
  // Classes that draw their background otherwise answer for themselves.
  virtual bool PaintsOpaqueBackground() const;
  // Text in the style's font and colour for the current state.
  void DrawText(render::Canvas& canvas, std::wstring_view text, const Rect& box, unsigned format) const;

  // --- events ---
  SEventSet& GetEventSet() { return eventSet_; }
  int SubscribeEvent(int eventId, EventHandler handler) { return eventSet_.SubscribeEvent(eventId, std::move(handler)); }
  // Subscribers first; unless handled, a handler bound in the layout, then
  // the host's event map.
  bool FireEvent(EventArgs& e);
  bool FireCommand();

  // --- timers (WM_TIMER of the host, per control) ---
  bool SetTimer(UINT id, UINT milliseconds);
  void KillTimer(UINT id);

  // --- messages, as the host delivers them (points in host coordinates) ---
  virtual void OnLButtonDown(UINT flags, Point pt);
  virtual void OnLButtonUp(UINT flags, Point pt);
  virtual void OnLButtonDblClk(UINT flags, Point pt) { OnLButtonDown(flags, pt); }
  virtual void OnRButtonDown(UINT flags, Point pt) {}
  virtual void OnRButtonUp(UINT flags, Point pt) {}
  virtual void OnMouseMove(UINT flags, Point pt);
  virtual void OnMouseHover(UINT flags, Point pt);
  virtual void OnMouseLeave();
  // Returns whether the wheel was used; otherwise the parent gets it.
  virtual bool OnMouseWheel(UINT flags, int delta, Point pt) { return false; }
  // Returns whether the key was used; otherwise the host handles it
  // (Tab moves the focus, Enter clicks the default button, ...).
  virtual bool OnKeyDown(UINT vk, UINT repeat, UINT flags) { return false; }
  virtual bool OnKeyUp(UINT vk, UINT repeat, UINT flags) { return false; }
  virtual bool OnChar(UINT ch, UINT repeat, UINT flags) { return false; }
  virtual void OnSetFocus(SWindow* previous);
  virtual void OnKillFocus(SWindow* next);
  virtual void OnTimer(UINT id) {}
  virtual void OnCaptureLost();
  // Whether the control redraws when the mouse enters or leaves it or any
  // of its descendants (item panels highlight as a whole).
  virtual bool TracksSubtreeHover() const { return false; }
  // A mouse button went down on `target`, a descendant (item panels use it).
  virtual void OnChildLButtonDown(SWindow* target) {}
  // The cursor shown over a point (a system cursor id such as IDC_ARROW).
  virtual LPCWSTR GetCursorId(Point pt) const;

  // --- lifetime hooks ---
  // After the control's own attributes were applied, before its children exist.
  virtual void OnCreate() {}
  // After the children were created.
  virtual void OnInitFinished(pugi::xml_node node) {}
  // The host window is being destroyed (or the control is removed for good).
  virtual void OnDestroy() {}
  // The translator changed: texts are translated again.
  virtual void OnLanguageChanged();
  void NotifyLanguageChanged();
  void NotifyDestroy();

  // Called when attached to a container (and detached with null).
  void SetContainer(ISwndContainer* container);

 protected:
  bool OnAttribute(const std::wstring& name, const std::wstring& value, bool loading) override;
  bool OnIdentityAttribute(const std::wstring& name, const std::wstring& value);
  // Nothing when the name is not one of these attributes.
  std::optional<bool> OnBehaviourAttribute(const std::wstring& name, const std::wstring& value, bool loading);
  bool SetCursorByName(const std::wstring& value);
  std::wstring TranslateAccessibleName() const;
  // An element child the control reads itself ("items", "template", ...);
  // return true to keep it from being created as a child control.
  virtual bool OnChildXml(pugi::xml_node child) { return false; }
  virtual void OnPaint(render::Canvas& canvas);
  virtual void DrawBkgnd(render::Canvas& canvas);
  virtual void DrawFocus(render::Canvas& canvas);
  virtual void PaintChildren(render::Canvas& canvas, const Rect& dirty);
  // A click completed on the control (button down and up inside it).
  virtual void OnClick() {}
  virtual void OnStateChanged(unsigned oldState, unsigned newState) {}
  // The skin state for the background: the visual state, plus 4 when
  // checked and the skin has checked states.
  virtual int GetSkinState(const ISkinObj* skin) const;
  Size TextContentSize(int widthHint) const;
  void LayoutBox(const Rect& client);
  void LayoutAbsolute(const Rect& client);
  void ApplyAttributes(pugi::xml_node node);
  void ApplyAttrList(const std::vector<std::pair<std::wstring, std::wstring>>& attrs);

  SWindow* parent_ = nullptr;
  ISwndContainer* container_ = nullptr;
  std::vector<std::unique_ptr<SWindow>> children_;
  std::wstring name_;
  int id_ = 0;
  bool idGiven_ = false;
  std::wstring rawText_;
  std::wstring text_;
  std::wstring rawTip_;
  std::wstring tip_;
  std::wstring rawAccName_;
  std::wstring accName_;
  bool translate_ = true;
  unsigned state_ = 0;
  bool visible_ = true;
  bool focusable_ = false;
  bool tabStop_ = true;
  bool msgTransparent_ = false;
  bool pressing_ = false;
  LPCWSTR cursor_ = nullptr;
  ULONG_PTR userData_ = 0;
  Rect rect_;
  SLayoutParam layout_;
  BoxLayout boxLayout_ = BoxLayout::kNone;
  int interval_ = 0;
  SwndStyle style_;
  SEventSet eventSet_;
  std::map<int, std::wstring> scriptHandlers_;
};

}  // namespace kb::ui
