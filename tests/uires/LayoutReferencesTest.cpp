// The layouts and menus of the package name skins, styles, colours and
// strings that the UI definitions must supply; a misspelt name would only
// show as a control drawn without its look.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "PackageSupport.h"
#include "platform/text.h"
#include "ui/common/ResourceNames.h"

namespace kbtest {
namespace {

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

class LayoutReferencesTest : public PackageTest, public ::testing::WithParamInterface<const wchar_t*> {
 protected:
  void Check(pugi::xml_node node) {
    for (pugi::xml_attribute a : node.attributes()) {
      std::string name = a.name(), value = a.value();
      std::string where = std::string(node.name()) + " " + node.attribute("name").as_string() + " " + name;
      if ((name == "skin" || EndsWith(name, "Skin")) && !value.empty()) {
        EXPECT_NE(app_->GetSkin(kb::Utf8ToWide(value)), nullptr) << where << ": no skin \"" << value << "\"";
      }
      if (name == "class") {
        EXPECT_NE(app_->Styles().Find(kb::Utf8ToWide(value)), nullptr) << where << ": no style \"" << value << "\"";
      }
      if (value.rfind("@color/", 0) == 0) {
        EXPECT_TRUE(app_->ResolveColor(kb::Utf8ToWide(value)).has_value()) << where << ": " << value;
      }
      if (value.rfind("@string/", 0) == 0) {
        EXPECT_NE(app_->ResolveString(kb::Utf8ToWide(value)), kb::Utf8ToWide(value)) << where << ": " << value;
      }
    }
    for (pugi::xml_node child : node.children()) Check(child);
  }
};

TEST_P(LayoutReferencesTest, EveryNamedLookExists) {
  pugi::xml_document doc;
  ASSERT_TRUE(app_->LoadXmlDocument(doc, GetParam())) << kb::WideToUtf8(GetParam());
  Check(doc.document_element());
}

INSTANTIATE_TEST_SUITE_P(Package, LayoutReferencesTest,
                         ::testing::Values(kb::res::kLayoutMainWnd, kb::res::kLayoutMacro, kb::res::kLayoutMsgBox,
                                           kb::res::kMenuTray, kb::res::kMenuMore));

}  // namespace
}  // namespace kbtest
