#include "toolkit/core/SApplication.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "platform/diag.h"
#include "platform/path.h"
#include "platform/text.h"
#include "toolkit/core/AttrParse.h"
#include "toolkit/core/BuiltinClasses.h"
#include "toolkit/render/DeviceScale.h"
#include "toolkit/window/SWindow.h"

namespace kb::ui {

namespace {
SApplication* gApplication = nullptr;
}  // namespace

SApplication::SApplication(std::shared_ptr<SRenderFactory> renderFactory, HINSTANCE instance,
                           std::wstring hostClassName)
    : renderFactory_(std::move(renderFactory)), instance_(instance), hostClassName_(std::move(hostClassName)) {
  if (gApplication) DiagPrintf("a second application object replaces the first\n");
  gApplication = this;
  if (hostClassName_.empty()) hostClassName_ = L"KbUiHost";
  RegisterBuiltinClasses();
}

SApplication::~SApplication() {
  if (gApplication == this) gApplication = nullptr;
}

SApplication* SApplication::Instance() { return gApplication; }

std::wstring SApplication::GetAppDir() const { return ExecutableFolder(); }

void SApplication::RegisterBuiltinClasses() { RegisterToolkitClasses(factories_); }

// --- resources ---

void SApplication::AddResProvider(std::shared_ptr<IResProvider> provider, std::wstring_view uidef) {
  if (!provider) return;
  providers_.insert(providers_.begin(), provider);
  if (uidef.empty()) return;
  pugi::xml_document doc;
  if (!LoadXmlDocument(doc, uidef, L"uidef")) {
    DiagPrintfW(L"ui definitions %ls not found\n", std::wstring(uidef).c_str());
    return;
  }
  LoadUiDef(doc.child("uidef"));
}

bool SApplication::RemoveResProvider(const IResProvider* provider) {
  for (auto it = providers_.begin(); it != providers_.end(); ++it) {
    if (it->get() == provider) {
      providers_.erase(it);
      return true;
    }
  }
  return false;
}

bool SApplication::HasResource(std::wstring_view type, std::wstring_view name) const {
  for (const auto& provider : providers_)
    if (provider->HasResource(type, name)) return true;
  return false;
}

bool SApplication::GetRawBuffer(std::wstring_view type, std::wstring_view name, std::vector<uint8_t>& out) const {
  for (const auto& provider : providers_)
    if (provider->GetRawBuffer(type, name, out)) return true;
  out.clear();
  return false;
}

bool SApplication::LoadXmlDocument(pugi::xml_document& doc, std::wstring_view resName,
                                   std::wstring_view defaultType) const {
  doc.reset();
  ResName res = SplitResName(resName, defaultType);
  std::vector<uint8_t> bytes;
  if (!GetRawBuffer(res.type, res.name, bytes)) return false;
  pugi::xml_parse_result result = doc.load_buffer(bytes.data(), bytes.size());
  if (!result) {
    DiagPrintfW(L"resource %ls:%ls is not valid XML (%ls at offset %lld)\n", res.type.c_str(), res.name.c_str(),
                Utf8ToWide(result.description()).c_str(), static_cast<long long>(result.offset));
    doc.reset();
    return false;
  }
  return true;
}

std::shared_ptr<const render::Bitmap> SApplication::GetImage(std::wstring_view resName) {
  ResName res = SplitResName(resName, L"img");
  std::wstring key = ToLowerAscii(res.type) + L":" + ToLowerAscii(res.name);
  auto it = images_.find(key);
  if (it != images_.end()) return it->second;
  std::vector<uint8_t> bytes;
  std::shared_ptr<render::Bitmap> image;
  if (GetRawBuffer(res.type, res.name, bytes)) {
    auto decoded = std::make_shared<render::Bitmap>();
    if (renderFactory_ && renderFactory_->DecodeImage(bytes.data(), bytes.size(), *decoded)) image = decoded;
  }
  // A missing image is remembered too, so a broken skin does not make every
  // paint retry the decoder.
  images_.emplace(key, image);
  return image;
}

std::vector<int> SApplication::ImageDpiPreference(int dpi) {
  std::vector<int> order(std::begin(kImageDpis), std::end(kImageDpis));
  std::stable_sort(order.begin(), order.end(), [dpi](int a, int b) {
    int da = std::abs(a - dpi), db = std::abs(b - dpi);
    return da != db ? da < db : a > b;
  });
  return order;
}

std::shared_ptr<const render::Bitmap> SApplication::DecodeVariant(const std::wstring& type, const std::wstring& name,
                                                                  int dpi) {
  std::wstring key = ToLowerAscii(type) + L":" + ToLowerAscii(name) + L"@" + std::to_wstring(dpi);
  auto it = images_.find(key);
  if (it != images_.end()) return it->second;
  std::wstring suffix = dpi == 144 ? L"@1.5x" : L"@" + std::to_wstring(dpi / 96) + L"x";
  std::vector<uint8_t> bytes;
  std::shared_ptr<render::Bitmap> image;
  for (const auto& provider : providers_) {
    if (!provider->GetScaledVariant(type, name, suffix, bytes)) continue;
    auto decoded = std::make_shared<render::Bitmap>();
    if (renderFactory_ && renderFactory_->DecodeImage(bytes.data(), bytes.size(), *decoded)) image = decoded;
    break;
  }
  images_.emplace(key, image);
  return image;
}

SApplication::ScaledImage SApplication::GetImageForDpi(std::wstring_view resName, int dpi) {
  if (dpi == render::DeviceScale::kBaseDpi) return ScaledImage{GetImage(resName), dpi};
  ResName res = SplitResName(resName, L"img");
  for (int candidate : ImageDpiPreference(dpi)) {
    auto image = candidate == render::DeviceScale::kBaseDpi ? GetImage(resName) : DecodeVariant(res.type, res.name, candidate);
    if (image && !image->IsEmpty()) return ScaledImage{image, candidate};
  }
  return ScaledImage{nullptr, render::DeviceScale::kBaseDpi};
}

bool SApplication::LoadUiDefPart(pugi::xml_node uidef, const char* element,
                                 const std::function<void(pugi::xml_node)>& load) {
  bool ok = true;
  for (pugi::xml_node part : uidef.children(element)) {
    pugi::xml_attribute src = part.attribute("src");
    if (!src) {
      load(part);
      continue;
    }
    pugi::xml_document doc;
    if (!LoadXmlDocument(doc, Utf8ToWide(src.value()), L"values")) {
      DiagPrintfW(L"ui definitions: %ls not found\n", Utf8ToWide(src.value()).c_str());
      ok = false;
      continue;
    }
    load(doc.document_element());
  }
  return ok;
}

bool SApplication::LoadUiDef(pugi::xml_node uidef) {
  if (!uidef) return false;
  if (pugi::xml_node font = uidef.child("font")) {
    render::FontSpec spec = fonts_.DefaultFont();
    if (font.attribute("face")) spec.face = Utf8ToWide(font.attribute("face").value());
    if (int size = font.attribute("size").as_int(0); size > 0) spec.pixelSize = size;
    spec.bold = font.attribute("bold").as_int(0) != 0;
    fonts_.SetDefaultFont(spec);
  }
  // Values first: skins and styles refer to colours and strings.
  bool ok = LoadUiDefPart(uidef, "string", [this](pugi::xml_node n) { strings_.Load(n); });
  ok &= LoadUiDefPart(uidef, "color", [this](pugi::xml_node n) { colors_.Load(n); });
  ok &= LoadUiDefPart(uidef, "skin", [this](pugi::xml_node n) { skins_.LoadSkins(n); });
  ok &= LoadUiDefPart(uidef, "style", [this](pugi::xml_node n) { styles_.Load(n, false); });
  ok &= LoadUiDefPart(uidef, "objattr", [this](pugi::xml_node n) { objDefaults_.Load(n, true); });
  return ok;
}

bool SApplication::LoadSystemNamedResource(const IResProvider& provider) {
  bool ok = true;
  for (const wchar_t* name : {kSysSkin, kSysEditMenu, kSysMsgBox}) {
    std::vector<uint8_t> bytes;
    if (!provider.GetRawBuffer(kSysResType, name, bytes)) {
      DiagPrintfW(L"system resource %ls missing\n", name);
      ok = false;
      continue;
    }
    systemResources_[name] = std::string(bytes.begin(), bytes.end());
  }
  std::string skinXml = GetSystemResource(kSysSkin);
  pugi::xml_document doc;
  if (!skinXml.empty() && doc.load_buffer(skinXml.data(), skinXml.size())) {
    systemSkins_.LoadSkins(doc.child("skin"));
    if (pugi::xml_node objattr = doc.child("objattr")) objDefaults_.Load(objattr, true);
  }
  return ok;
}

std::string SApplication::GetSystemResource(std::wstring_view name) const {
  auto it = systemResources_.find(name);
  return it == systemResources_.end() ? std::string() : it->second;
}

// --- names and values ---

void SApplication::InitXmlNamedID(const wchar_t* const* names, const int* ids, size_t count) {
  namedIds_.Init(names, ids, count);
}

std::wstring SApplication::ResolveString(std::wstring_view value) const {
  constexpr std::wstring_view kPrefix = L"@string/";
  if (value.substr(0, kPrefix.size()) != kPrefix) return std::wstring(value);
  if (auto text = strings_.Find(value.substr(kPrefix.size()))) return *text;
  DiagPrintfW(L"string %ls not defined\n", std::wstring(value).c_str());
  return std::wstring(value);
}

std::optional<Color> SApplication::ResolveColor(std::wstring_view value) const {
  constexpr std::wstring_view kPrefix = L"@color/";
  value = Trim(value);
  if (value.substr(0, kPrefix.size()) == kPrefix) return colors_.Find(value.substr(kPrefix.size()));
  return ParseColorText(value);
}

ISkinObj* SApplication::GetSkin(std::wstring_view name) const {
  if (ISkinObj* skin = skins_.GetSkin(name)) return skin;
  return systemSkins_.GetSkin(name);
}

ISkinObj* SApplication::SkinNamed(std::wstring_view name) {
  SApplication* app = Instance();
  return app && !name.empty() ? app->GetSkin(name) : nullptr;
}

std::wstring SApplication::Translate(std::wstring_view source, std::wstring_view context) const {
  if (!translator_) return std::wstring(source);
  return translator_->Translate(source, context);
}

std::unique_ptr<SWindow> SApplication::CreateWindowByName(std::wstring_view className) const {
  std::unique_ptr<SObject> object = factories_.CreateObject(className);
  if (!object) return nullptr;
  if (!object->IsClass(SWindow::ClassName())) return nullptr;
  return std::unique_ptr<SWindow>(static_cast<SWindow*>(object.release()));
}

// --- message loop ---

int SApplication::Run(HWND mainWnd) {
  mainWnd_ = mainWnd;
  if (!mainWnd || !IsWindow(mainWnd)) return 0;
  MSG msg;
  for (;;) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) break;
    if (got == -1) return -1;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void SApplication::NotifyModalEnter(SHostWnd& host) {
  if (modalHook_) modalHook_(host);
}

}  // namespace kb::ui
