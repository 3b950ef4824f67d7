#include "toolkit/core/SFontPool.h"

#include "toolkit/core/AttrParse.h"
#include "toolkit/render/FontRegistry.h"

namespace kb::ui {

namespace {
constexpr int kDefaultPixelSize = 13;
constexpr int kMaxPixelSize = 512;
}  // namespace

SFontPool::SFontPool() { default_.pixelSize = kDefaultPixelSize; }

std::optional<render::FontSpec> SFontPool::ParseFont(std::wstring_view text) const {
  return ParseFont(text, default_);
}

std::optional<render::FontSpec> SFontPool::ParseFont(std::wstring_view text, const render::FontSpec& base) {
  render::FontSpec spec = base;
  for (const std::wstring& item : SplitList(text, L',')) {
    size_t colon = item.find(L':');
    if (colon == std::wstring::npos) return std::nullopt;
    std::wstring key = ToLowerAscii(Trim(std::wstring_view(item).substr(0, colon)));
    std::wstring_view value = Trim(std::wstring_view(item).substr(colon + 1));
    if (key == L"face") {
      if (value.empty()) return std::nullopt;
      spec.face = value;
      continue;
    }
    std::optional<int> number = ParseInt(value);
    if (!number) return std::nullopt;
    if (key == L"size") {
      if (*number <= 0 || *number > kMaxPixelSize) return std::nullopt;
      spec.pixelSize = *number;
    } else if (key == L"bold") {
      spec.bold = *number != 0;
    } else if (key == L"italic") {
      spec.italic = *number != 0;
    } else if (key == L"underline") {
      spec.underline = *number != 0;
    } else if (key == L"strike") {
      spec.strikeout = *number != 0;
    } else {
      return std::nullopt;
    }
  }
  return spec;
}

std::shared_ptr<const render::Font> SFontPool::GetFont(const render::FontSpec& spec) const {
  return render::FontRegistry::Instance().GetFont(spec);
}

}  // namespace kb::ui
