// The host window's IAccessible (MSAA, which UI Automation and every screen
// reader read): the window is the object, the controls that take the focus
// are its simple children (child id = 1 + their place in tree order).
#include "toolkit/window/HostAccessibility.h"

#include <oleacc.h>

#include <map>
#include <vector>

#include "toolkit/window/SHostWnd.h"
#include "toolkit/window/SWindow.h"

namespace kb::ui {

namespace {

// IID_IAccessible spelled out: MinGW's import library exports that name from
// oleacc.dll as a function thunk, whose address is no GUID.
constexpr IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

void CollectFocusable(SWindow* w, std::vector<SWindow*>& out) {
  if (!w) return;
  if (w->WantsFocus()) out.push_back(w);
  for (size_t i = 0; i < w->GetChildCount(); ++i) CollectFocusable(w->GetChild(i), out);
}

LONG ChildIdOf(SHostWnd& host, SWindow* w) {
  if (!w) return CHILDID_SELF;
  std::vector<SWindow*> all;
  CollectFocusable(host.GetRoot(), all);
  for (size_t i = 0; i < all.size(); ++i)
    if (all[i] == w) return static_cast<LONG>(i + 1);
  return CHILDID_SELF;
}

LONG RoleOf(const SWindow& w) {
  if (w.IsClass(L"radio")) return ROLE_SYSTEM_RADIOBUTTON;
  if (w.IsClass(L"check")) return ROLE_SYSTEM_CHECKBUTTON;
  if (w.IsClass(L"combobox")) return ROLE_SYSTEM_COMBOBOX;
  if (w.IsClass(L"sliderbar")) return ROLE_SYSTEM_SLIDER;
  if (w.IsClass(L"edit")) return ROLE_SYSTEM_TEXT;
  if (w.IsClass(L"listview")) return ROLE_SYSTEM_LIST;
  if (w.IsClass(L"tabctrl")) return ROLE_SYSTEM_PAGETABLIST;
  // Buttons, and the keyboard picture whose focused key Enter presses.
  return ROLE_SYSTEM_PUSHBUTTON;
}

class HostAccessible final : public IAccessible {
 public:
  explicit HostAccessible(SHostWnd* host) : host_(host) {}
  void Disconnect() { host_ = nullptr; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, kIidAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: readers use the vtable; late binding is not offered.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!host_) return E_FAIL;
    return AccessibleObjectFromWindow(host_->GetHwnd(), static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                      reinterpret_cast<void**>(parent));
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    if (!count) return E_POINTER;
    if (!host_) return E_FAIL;
    *count = static_cast<LONG>(Children().size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
    // The controls are simple elements, not objects of their own.
    if (!child) return E_POINTER;
    *child = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    if (!host_) return E_FAIL;
    if (IsSelf(id)) return Text(host_->GetTitle(), name);
    SWindow* w = ChildOf(id);
    return w ? Text(w->GetAccessibleName(), name) : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT id, BSTR* value) override {
    if (!value) return E_POINTER;
    *value = nullptr;
    if (!host_) return E_FAIL;
    SWindow* w = IsSelf(id) ? nullptr : ChildOf(id);
    if (!IsSelf(id) && !w) return E_INVALIDARG;
    // Drop-downs and fields: what they show, when that is not their name.
    if (!w || w->GetWindowText() == w->GetAccessibleName()) return S_FALSE;
    return Text(w->GetWindowText(), value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* text) override { return Nothing(text); }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override {
    if (!role) return E_POINTER;
    VariantInit(role);
    if (!host_) return E_FAIL;
    SWindow* w = IsSelf(id) ? nullptr : ChildOf(id);
    if (!IsSelf(id) && !w) return E_INVALIDARG;
    role->vt = VT_I4;
    role->lVal = w ? RoleOf(*w) : ROLE_SYSTEM_CLIENT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override {
    if (!state) return E_POINTER;
    VariantInit(state);
    if (!host_) return E_FAIL;
    SWindow* w = IsSelf(id) ? nullptr : ChildOf(id);
    if (!IsSelf(id) && !w) return E_INVALIDARG;
    LONG bits = STATE_SYSTEM_FOCUSABLE;
    const bool hostFocused = ::GetFocus() == host_->GetHwnd();
    if (!w) {
      if (hostFocused) bits |= STATE_SYSTEM_FOCUSED;
    } else {
      if (w->IsFocused() && hostFocused) bits |= STATE_SYSTEM_FOCUSED;
      if (w->IsDisabled(true)) bits |= STATE_SYSTEM_UNAVAILABLE;
      if (w->IsChecked()) bits |= STATE_SYSTEM_CHECKED;
      if (!w->IsVisible(true)) bits |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
    }
    state->vt = VT_I4;
    state->lVal = bits;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* text) override { return Nothing(text); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* text) override { return Nothing(text); }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!focus) return E_POINTER;
    VariantInit(focus);
    if (!host_) return E_FAIL;
    if (::GetFocus() != host_->GetHwnd()) return S_FALSE;
    LONG id = IdOf(host_->GetFocusedWindow());
    focus->vt = VT_I4;
    focus->lVal = id;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (!selection) return E_POINTER;
    VariantInit(selection);
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR* text) override { return Nothing(text); }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT id) override {
    if (!host_) return E_FAIL;
    SWindow* w = ChildOf(id);
    if (!w) return E_INVALIDARG;
    if (!(flags & SELFLAG_TAKEFOCUS)) return DISP_E_MEMBERNOTFOUND;
    w->SetFocus();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT id) override {
    if (!left || !top || !width || !height) return E_POINTER;
    if (!host_) return E_FAIL;
    RECT client{};
    Rect r;
    if (IsSelf(id)) {
      ::GetClientRect(host_->GetHwnd(), &client);
      r = Rect{client.left, client.top, client.right, client.bottom};
    } else if (SWindow* w = ChildOf(id)) {
      // Readers and magnifiers want device pixels on the screen.
      r = host_->GetScale().ToDevice(w->GetWindowRect());
    } else {
      return E_INVALIDARG;
    }
    POINT origin{r.left, r.top};
    ::ClientToScreen(host_->GetHwnd(), &origin);
    *left = origin.x;
    *top = origin.y;
    *width = r.Width();
    *height = r.Height();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG, VARIANT, VARIANT* end) override {
    if (end) VariantInit(end);
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* hit) override {
    if (!hit) return E_POINTER;
    VariantInit(hit);
    if (!host_) return E_FAIL;
    POINT p{x, y};
    ::ScreenToClient(host_->GetHwnd(), &p);
    RECT client{};
    ::GetClientRect(host_->GetHwnd(), &client);
    if (!::PtInRect(&client, p)) return S_FALSE;
    const Point logical = host_->GetScale().ToLogical(Point{p.x, p.y});
    SWindow* w = host_->GetRoot() ? host_->GetRoot()->HitTest(logical) : nullptr;
    while (w && !w->WantsFocus()) w = w->GetParent();
    hit->vt = VT_I4;
    hit->lVal = IdOf(w);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override {
    if (!host_) return E_FAIL;
    SWindow* w = ChildOf(id);
    if (!w) return E_INVALIDARG;
    w->PerformClick();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  LONG IdOf(SWindow* w) const { return host_ ? ChildIdOf(*host_, w) : CHILDID_SELF; }

  ~HostAccessible() = default;

  std::vector<SWindow*> Children() const {
    std::vector<SWindow*> out;
    if (host_) CollectFocusable(host_->GetRoot(), out);
    return out;
  }
  static bool IsSelf(const VARIANT& id) { return id.vt == VT_I4 && id.lVal == CHILDID_SELF; }
  SWindow* ChildOf(const VARIANT& id) const {
    if (id.vt != VT_I4 || id.lVal <= 0) return nullptr;
    std::vector<SWindow*> all = Children();
    return static_cast<size_t>(id.lVal) <= all.size() ? all[static_cast<size_t>(id.lVal) - 1] : nullptr;
  }
  static HRESULT Text(const std::wstring& text, BSTR* out) {
    if (text.empty()) return S_FALSE;
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  static HRESULT Nothing(BSTR* text) {
    if (!text) return E_POINTER;
    *text = nullptr;
    return S_FALSE;
  }

  LONG refs_ = 1;
  SHostWnd* host_;
};

// One object per host window, made on the first request; the map holds a
// reference until the window goes.
std::map<SHostWnd*, HostAccessible*>& Objects() {
  static std::map<SHostWnd*, HostAccessible*> objects;
  return objects;
}

}  // namespace

bool AnswerAccessibilityRequest(SHostWnd& host, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg != WM_GETOBJECT || static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT)) return false;
  HostAccessible*& object = Objects()[&host];
  if (!object) object = new HostAccessible(&host);
  result = ::LresultFromObject(kIidAccessible, wParam, object);
  return true;
}

void NotifyAccessibleFocus(SHostWnd& host, SWindow* control) {
  HWND hwnd = host.GetHwnd();
  if (!hwnd || !control) return;
  // Cheap without listeners; a reader asks for the object when it hears.
  ::NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd, OBJID_CLIENT, ChildIdOf(host, control));
}

void DisconnectHostAccessibility(SHostWnd& host) {
  auto it = Objects().find(&host);
  if (it == Objects().end()) return;
  it->second->Disconnect();
  it->second->Release();
  Objects().erase(it);
}

}  // namespace kb::ui
