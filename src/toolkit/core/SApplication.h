#pragma once
// The application object: one per process, created before any window and
// deleted after the last. It owns what every window shares: the resource
// providers, the UI definitions (fonts, strings, colours, skins, styles),
// the named-id table, the translator, the object factories and the image
// cache, and it runs the message loop.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "toolkit/core/IResProvider.h"
#include "toolkit/core/SAttrSetPool.h"
#include "toolkit/core/SFontPool.h"
#include "toolkit/core/SNamedID.h"
#include "toolkit/core/SNamedValues.h"
#include "toolkit/core/SObjectFactoryMgr.h"
#include "toolkit/core/SRenderFactory.h"
#include "toolkit/core/STranslatorMgr.h"
#include "toolkit/skin/SSkinPool.h"

namespace kb::ui {

class SWindow;
class SHostWnd;

class SApplication {
 public:
  static constexpr wchar_t kSysSkin[] = L"SYS_XML_SKIN";
  static constexpr wchar_t kSysEditMenu[] = L"SYS_XML_EDITMENU";
  static constexpr wchar_t kSysMsgBox[] = L"SYS_XML_MSGBOX";
  // The resource type the system resources are stored under.
  static constexpr wchar_t kSysResType[] = L"XML";

  // `hostClassName` is the window class of every host window.
  SApplication(std::shared_ptr<SRenderFactory> renderFactory, HINSTANCE instance,
               std::wstring hostClassName);
  ~SApplication();
  SApplication(const SApplication&) = delete;
  SApplication& operator=(const SApplication&) = delete;

  // The application, or null when there is none.
  static SApplication* Instance();

  HINSTANCE GetModule() const { return instance_; }
  const std::wstring& HostClassName() const { return hostClassName_; }
  SRenderFactory* GetRenderFactory() const { return renderFactory_.get(); }
  // The executable's folder.
  std::wstring GetAppDir() const;

  // --- resources ---
  // Adds a provider (asked before the ones added earlier) and loads its UI
  // definitions when `uidef` names one ("uidef:xml_init").
  void AddResProvider(std::shared_ptr<IResProvider> provider, std::wstring_view uidef = L"uidef:xml_init");
  bool RemoveResProvider(const IResProvider* provider);
  bool HasResource(std::wstring_view type, std::wstring_view name) const;
  bool GetRawBuffer(std::wstring_view type, std::wstring_view name, std::vector<uint8_t>& out) const;
  // "type:name"; a name without type is looked up as `defaultType`.
  bool LoadXmlDocument(pugi::xml_document& doc, std::wstring_view resName,
                       std::wstring_view defaultType = L"layout") const;
  // Decoded once and kept; null when missing or not an image.
  std::shared_ptr<const render::Bitmap> GetImage(std::wstring_view resName);
  // Images are drawn for 100 %, 150 % and 200 % ("name@1.5x.png" and
  // "name@2x.png" beside the file). The one nearest a window's dpi that
  // exists, with the dpi it was drawn for; the plain image otherwise.
  struct ScaledImage {
    std::shared_ptr<const render::Bitmap> bitmap;
    int dpi = 96;
  };
  ScaledImage GetImageForDpi(std::wstring_view resName, int dpi);
  static constexpr int kImageDpis[] = {96, 144, 192};
  // The image dpis to try for a window's dpi, nearest first (on a tie the
  // larger: shrinking loses less than enlarging).
  static std::vector<int> ImageDpiPreference(int dpi);
  // Parses UI definitions: <uidef> with font, string, color, skin, style and
  // objattr children, each inline or with src="type:name".
  bool LoadUiDef(pugi::xml_node uidef);

  // The toolkit's own resources: the default skins, the edit menu and the
  // message box layout, copied out of `provider`.
  bool LoadSystemNamedResource(const IResProvider& provider);
  // The text of a system resource ("SYS_XML_MSGBOX"); "" when not loaded.
  std::string GetSystemResource(std::wstring_view name) const;

  // --- names and values ---
  void InitXmlNamedID(const wchar_t* const* names, const int* ids, size_t count);
  const SNamedID& NamedIds() const { return namedIds_; }
  SNamedString& Strings() { return strings_; }
  SNamedColor& Colors() { return colors_; }
  // "@string/name" and "@color/name" references; other text is returned as is.
  std::wstring ResolveString(std::wstring_view value) const;
  std::optional<Color> ResolveColor(std::wstring_view value) const;

  // --- look ---
  SFontPool& Fonts() { return fonts_; }
  // Application skins first, then the system's.
  ISkinObj* GetSkin(std::wstring_view name) const;
  // The same for controls drawing outside an application (none, or no name).
  static ISkinObj* SkinNamed(std::wstring_view name);
  SSkinPool& Skins() { return skins_; }
  SSkinPool& SystemSkins() { return systemSkins_; }
  SAttrSetPool& Styles() { return styles_; }
  SAttrSetPool& ObjectDefaults() { return objDefaults_; }

  // --- translation ---
  void SetTranslator(std::shared_ptr<STranslatorMgr> translator) { translator_ = std::move(translator); }
  STranslatorMgr* GetTranslator() const { return translator_.get(); }
  std::wstring Translate(std::wstring_view source, std::wstring_view context) const;

  // --- factories ---
  bool RegisterObjectFactory(const ISObjectFactory& factory, bool replace = false) {
    return factories_.RegisterFactory(factory, replace);
  }
  template <class T>
  bool RegisterWindowClass(bool replace = false) {
    return RegisterObjectFactory(TplSObjectFactory<T>(), replace);
  }
  const SObjectFactoryMgr& Factories() const { return factories_; }
  // Null for an unknown class or one that is not a window.
  std::unique_ptr<SWindow> CreateWindowByName(std::wstring_view className) const;

  // --- message loop ---
  // Runs until WM_QUIT; the main window's destruction posts it. Returns the
  // exit code of WM_QUIT, or 0 at once when `mainWnd` is no window.
  int Run(HWND mainWnd);
  HWND GetMainWnd() const { return mainWnd_; }
  void SetMainWnd(HWND hwnd) { mainWnd_ = hwnd; }

  // Called with each popup, menu, drop-down or dialog when it enters its
  // modal loop and is on screen. Automation and tests drive modal windows
  // through it.
  using ModalHook = std::function<void(SHostWnd&)>;
  void SetModalHook(ModalHook hook) { modalHook_ = std::move(hook); }
  void NotifyModalEnter(SHostWnd& host);

 private:
  void RegisterBuiltinClasses();
  bool LoadUiDefPart(pugi::xml_node part, const char* element,
                     const std::function<void(pugi::xml_node)>& load);

  std::shared_ptr<SRenderFactory> renderFactory_;
  HINSTANCE instance_;
  std::wstring hostClassName_;
  std::vector<std::shared_ptr<IResProvider>> providers_;  // newest first
  SNamedID namedIds_;
  SNamedString strings_;
  SNamedColor colors_;
  SFontPool fonts_;
  SSkinPool skins_;
  SSkinPool systemSkins_;
  SAttrSetPool styles_;
  SAttrSetPool objDefaults_;
  std::shared_ptr<STranslatorMgr> translator_;
  SObjectFactoryMgr factories_;
  std::shared_ptr<const render::Bitmap> DecodeVariant(const std::wstring& type, const std::wstring& name, int dpi);

  std::map<std::wstring, std::shared_ptr<const render::Bitmap>> images_;
  std::map<std::wstring, std::string, std::less<>> systemResources_;
  HWND mainWnd_ = nullptr;
  ModalHook modalHook_;
};

}  // namespace kb::ui
