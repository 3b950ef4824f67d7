#pragma once
// Fonts as layouts write them: "face:DejaVu Sans,size:14,bold:1,italic:1,
// underline:1,strike:1". Keys that are left out come from the default font
// of the UI definitions, so "size:16" is the default face at 16 pixels.
#include <memory>
#include <optional>
#include <string_view>

#include "toolkit/render/Font.h"

namespace kb::ui {

class SFontPool {
 public:
  SFontPool();

  void SetDefaultFont(const render::FontSpec& spec) { default_ = spec; }
  const render::FontSpec& DefaultFont() const { return default_; }

  // Nothing for an unknown key or a bad value.
  std::optional<render::FontSpec> ParseFont(std::wstring_view text) const;
  static std::optional<render::FontSpec> ParseFont(std::wstring_view text, const render::FontSpec& base);

  // Never null.
  std::shared_ptr<const render::Font> GetFont(const render::FontSpec& spec) const;
  std::shared_ptr<const render::Font> GetDefault() const { return GetFont(default_); }

 private:
  render::FontSpec default_;
};

}  // namespace kb::ui
