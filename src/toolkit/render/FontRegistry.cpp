#include "toolkit/render/FontRegistry.h"

#include "platform/diag.h"
#include "platform/text.h"

namespace kb::render {
namespace {

std::wstring FoldCase(std::wstring_view name) {
  std::wstring out(name);
  for (wchar_t& c : out) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
  }
  return out;
}

}  // namespace

FontRegistry& FontRegistry::Instance() {
  static FontRegistry registry(LocateSystemFont);
  return registry;
}

FontRegistry::FontRegistry(Locator locator)
    : locator_(std::move(locator)), defaultFaces_(StandardDefaultFaces()), fallbackFaces_(StandardFallbackFaces()) {}

std::vector<std::wstring> FontRegistry::StandardDefaultFaces() {
  // DejaVu Sans first: Linux has it, and Wine reaches the host's copy, so
  // both builds draw identical pixels. The rest are what Windows has.
  return {L"DejaVu Sans", L"Segoe UI", L"Tahoma", L"Arial", L"Liberation Sans"};
}

std::vector<std::wstring> FontRegistry::StandardFallbackFaces() {
  // CJK-capable faces first (Linux, then Windows names), then broad Latin
  // and symbol coverage.
  return {L"Noto Sans CJK SC",    L"Microsoft YaHei", L"SimSun",         L"Droid Sans Fallback",
          L"WenQuanYi Micro Hei", L"DejaVu Sans",     L"Segoe UI Symbol"};
}

void FontRegistry::SetDefaultFaces(std::vector<std::wstring> faces) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  defaultFaces_ = std::move(faces);
  fonts_.clear();
}

void FontRegistry::SetFallbackFaces(std::vector<std::wstring> faces) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  fallbackFaces_ = std::move(faces);
  fonts_.clear();
}

std::shared_ptr<const FontFace> FontRegistry::FindFace(const std::wstring& face, bool bold, bool italic) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return FindFaceLocked(face, bold, italic);
}

std::shared_ptr<const FontFace> FontRegistry::FindFaceLocked(const std::wstring& face, bool bold, bool italic) {
  if (face.empty()) return nullptr;
  FaceKey key{FoldCase(face), bold, italic};
  auto it = faces_.find(key);
  if (it != faces_.end()) return it->second;
  std::shared_ptr<const FontFace> found;
  if (auto file = locator_(FontQuery{face, bold, italic, true})) {
    found = FontFace::Create(std::move(*file));
    // The system may answer with a look-alike (aliases, substitutes); only the
    // named face will do.
    if (found && !found->HasName(face)) found = nullptr;
  }
  faces_.emplace(key, found);
  return found;
}

std::shared_ptr<const FontFace> FontRegistry::ChoosePrimary(const FontSpec& spec) {
  if (auto face = FindFaceLocked(spec.face, spec.bold, spec.italic)) return face;
  for (const std::wstring& name : defaultFaces_) {
    if (auto face = FindFaceLocked(name, spec.bold, spec.italic)) return face;
  }
  // Last resort: whatever the system substitutes.
  if (auto file = locator_(FontQuery{spec.face, spec.bold, spec.italic, false})) {
    if (auto face = FontFace::Create(std::move(*file))) return face;
  }
  DiagPrintf("font: no usable font for \"%s\"\n", WideToUtf8(spec.face).c_str());
  return nullptr;
}

std::shared_ptr<const Font> FontRegistry::GetFont(const FontSpec& spec) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  FontKey key{FoldCase(spec.face), spec.pixelSize, spec.bold, spec.italic, spec.underline, spec.strikeout};
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;

  auto primary = ChoosePrimary(spec);
  auto fallbackNames = fallbackFaces_;
  bool bold = spec.bold;
  bool italic = spec.italic;
  // Fallback faces are looked up only when a character needs one, so Latin
  // text never loads the large CJK collections.
  Font::FallbackSource source = [this, fallbackNames, bold, italic](size_t slot) {
    return FindFace(fallbackNames[slot], bold, italic);
  };
  auto font = std::make_shared<const Font>(spec, primary, fallbackNames.size(), source);
  fonts_.emplace(key, font);
  return font;
}

}  // namespace kb::render
