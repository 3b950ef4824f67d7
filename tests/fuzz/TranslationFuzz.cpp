// Translation files (uires/lang/*.xml): any bytes load into a language pack
// or are refused, without a crash, and what loads answers every lookup.
#include <pugixml.hpp>

#include <cstdint>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "platform/text.h"
#include "toolkit/core/SLangPack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pugi::xml_document doc;
  if (!doc.load_buffer(data, size, pugi::parse_default, pugi::encoding_auto)) return 0;
  kb::ui::SLangPack pack;
  if (!pack.Load(doc.child("language"))) return 0;
  FUZZ_CHECK(!pack.Name().empty());
  FUZZ_CHECK(pack.Name().size() <= kb::ui::SLangPack::kMaxNameLength);
  wchar_t name[8];
  size_t copied = pack.GetName(name, 8);
  FUZZ_CHECK(copied < 8 && name[copied] == L'\0');
  FUZZ_CHECK(pack.GetName(nullptr, 0) == 0);
  // Every text of the input may be looked up, in any context.
  for (pugi::xpath_node item : doc.select_nodes("//*")) {
    std::wstring wide = kb::Utf8ToWide(item.node().text().get());
    (void)pack.Translate(wide, L"");
    (void)pack.Translate(wide, L"main");
  }
  (void)pack.Translate(L"", L"");
  return 0;
}
