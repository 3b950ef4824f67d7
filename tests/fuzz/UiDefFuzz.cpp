// UI definitions (uires/uidef.xml with its fonts, strings, colours, skins,
// styles and control defaults): any bytes load, or are refused, without a
// crash; what loads answers every lookup, and a layout using it paints.
#include <pugixml.hpp>

#include <cstdint>
#include <string>

#include "fuzz/FuzzToolkit.h"
#include "toolkit/core/SResProviderMemory.h"

namespace {

// The shipped look's classes and skins, and the default font.
constexpr char kLayout[] = R"(<host size="200,120" title="@string/app">
  <root skin="state_func_bg">
    <text pos="4,4" class="title">@string/app</text>
    <button pos="4,30,@90,@26" class="btn_primary">OK</button>
    <button pos="100,30,@90,@26" class="btn_secondary" enable="0">Cancel</button>
    <check pos="4,60,@90,@20" checked="1">one</check>
    <img pos="120,60" skin="ioc_func_macro"/>
    <combobox pos="4,100,@120,@20" skin="cbox_profile_normal"/>
    <sliderbar pos="4,84,-4,@20" min="0" max="4" value="2"/>
  </root>
</host>)";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A new application per input: definitions add to the tables of the one
  // that reads them. The shipped files stay available to src="..." parts.
  // (No language: the translator is not what is read here.)
  auto app = kbfuzz::MakeFuzzApplication(L"", false);
  auto memory = std::make_shared<kb::ui::SResProviderMemory>();
  memory->Add(L"uidef", L"fuzz", std::vector<uint8_t>(data, data + size));
  app->AddResProvider(memory, L"uidef:fuzz");

  // Every name and value of the input asked for as a string, a colour, a
  // skin and a style, as layouts would.
  pugi::xml_document doc;
  if (doc.load_buffer(data, size)) {
    for (pugi::xpath_node item : doc.select_nodes("//*")) {
      std::wstring name = kb::Utf8ToWide(item.node().name());
      (void)app->GetSkin(name);
      (void)app->Styles().Find(name);
      (void)app->ResolveString(L"@string/" + name);
      (void)app->ResolveColor(L"@color/" + name);
      for (pugi::xml_attribute attr : item.node().attributes()) {
        std::wstring value = kb::Utf8ToWide(attr.value());
        (void)app->ResolveString(value);
        (void)app->ResolveColor(value);
        (void)app->GetSkin(value);
      }
    }
  }
  kb::ui::SHostWnd host;
  host.SetLayoutXml(kLayout);
  kbfuzz::BuildAndPaint(host);
  return 0;
}
