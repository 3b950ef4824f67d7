// Every text the theme draws stands out from what it is drawn on: a contrast
// ratio of at least 4.5:1 (relative luminance as the sRGB definition gives
// it), read from the package's colour table and drawn skins.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "PackageSupport.h"
#include "platform/path.h"
#include "platform/text.h"
#include "toolkit/core/AttrParse.h"

namespace {

using kb::ui::Color;

constexpr double kMinContrast = 4.5;

double Channel(uint8_t v) {
  double c = v / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double Luminance(Color c) { return 0.2126 * Channel(c.r) + 0.7152 * Channel(c.g) + 0.0722 * Channel(c.b); }
double Contrast(Color a, Color b) {
  double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class Theme {
 public:
  bool Load() {
    pugi::xml_document colors, skins;
    std::wstring folder = kbtest::PackageFolder();
    if (!colors.load_file(kb::WideToUtf8(kb::PathJoin(folder, L"values/color.xml")).c_str())) return false;
    if (!skins.load_file(kb::WideToUtf8(kb::PathJoin(folder, L"values/skin.xml")).c_str())) return false;
    for (pugi::xml_node c : colors.document_element().children())
      if (auto color = kb::ui::ParseColorText(kb::Utf8ToWide(c.attribute("value").value()))) colors_[c.name()] = *color;
    for (pugi::xml_node s : skins.document_element().children("shape")) {
      std::vector<Color>& fills = fills_[s.attribute("name").value()];
      std::string list = s.attribute("fill").value();
      for (size_t start = 0; start <= list.size();) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        if (auto color = kb::ui::ParseColorText(kb::Utf8ToWide(list.substr(start, end - start)))) fills.push_back(*color);
        start = end + 1;
      }
    }
    return true;
  }
  // "@color/name", or "skin:state" (the fill of a drawn skin in that state;
  // a skin with one fill has it in every state).
  bool Resolve(const std::string& ref, Color* out, std::string* error) const {
    if (ref.rfind("@color/", 0) == 0) {
      auto it = colors_.find(ref.substr(7));
      if (it == colors_.end()) return *error = "no colour " + ref, false;
      *out = it->second;
      return true;
    }
    size_t colon = ref.find(':');
    auto it = fills_.find(ref.substr(0, colon));
    if (it == fills_.end() || it->second.empty()) return *error = "no drawn skin " + ref, false;
    size_t state = colon == std::string::npos ? 0 : std::stoul(ref.substr(colon + 1));
    *out = it->second[std::min(state, it->second.size() - 1)];
    return true;
  }

 private:
  std::map<std::string, Color> colors_;
  std::map<std::string, std::vector<Color>> fills_;
};

struct TextOn {
  const char* text;
  std::vector<const char*> backgrounds;
};

// What the theme draws its texts on (skin states: 0 normal, 1 hover,
// 2 pushed or selected, 3 disabled).
const TextOn kTexts[] = {
    {"@color/text",
     {"@color/window", "@color/panel", "@color/panel_alt", "@color/field", "@color/row_hover", "@color/row_selected",
      "@color/dropdown_hover", "@color/dropdown_selected", "_sys.button:0", "_sys.button:1", "_sys.button:2",
      "_sys.combobox:0", "_sys.combobox:1", "_sys.combobox:2", "_sys.edit:0", "_sys.dropdown.bg", "_sys.menu.bg",
      "_sys.menu.item:1", "_sys.tab.head:0", "_sys.tab.head:1", "_sys.tab.head:2", "_sys.header:0", "_sys.header:1",
      "_sys.header:2", "msgbox_bg", "msgbox_caption", "msgbox_footer"}},
    {"@color/text_muted", {"@color/window", "@color/panel", "@color/panel_alt", "_sys.tab.head:0", "_sys.tab.head:1"}},
    {"@color/text_disabled",
     {"@color/panel", "_sys.button:3", "_sys.combobox:3", "_sys.edit:3", "_sys.tab.head:3", "_sys.menu.bg"}},
    {"@color/accent", {"@color/panel", "@color/panel_alt", "_sys.tab.head:2", "msgbox_bg"}},
    {"@color/text_on_accent", {"@color/accent", "@color/accent_hover", "@color/accent_pressed"}},
};

TEST(ThemeContrastTest, EveryTextStandsOutFromItsBackground) {
  Theme theme;
  ASSERT_TRUE(theme.Load()) << "the package's values/color.xml and values/skin.xml";
  for (const TextOn& t : kTexts) {
    Color text;
    std::string error;
    ASSERT_TRUE(theme.Resolve(t.text, &text, &error)) << error;
    for (const char* background : t.backgrounds) {
      Color fill;
      ASSERT_TRUE(theme.Resolve(background, &fill, &error)) << error;
      EXPECT_GE(Contrast(text, fill), kMinContrast) << t.text << " on " << background;
    }
  }
}

TEST(ThemeContrastTest, ContrastFollowsTheLuminanceDefinition) {
  EXPECT_NEAR(Contrast(Color::Rgb(0, 0, 0), Color::Rgb(255, 255, 255)), 21.0, 1e-9);
  EXPECT_NEAR(Contrast(Color::Rgb(0x77, 0x77, 0x77), Color::Rgb(255, 255, 255)), 4.48, 0.01);
}

}  // namespace
