// sidemodel.xml: as ledeffect.xml, with levels of 0 to 7.
#include "fuzz/FuzzScratch.h"
#include "keyboard/SideModelTable.h"

namespace {

bool SameTable(SideModelTable& a, SideModelTable& b) {
  if (a.GetCurrent() != b.GetCurrent()) return false;
  for (int i = 0; i < SideModelTable::kEntryCount; ++i) {
    if (!(*a.GetEntry(i) == *b.GetEntry(i))) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring path = kbfuzz::TheScratch().Write("sidemodel.xml", data, size);
  SideModelTable table;
  const bool loaded = table.Load(path);
  FUZZ_CHECK(table.GetCurrent() >= 0 && table.GetCurrent() <= SideModelTable::kMaxSel);
  for (int i = 0; i < SideModelTable::kEntryCount; ++i) FUZZ_CHECK(table.GetEntry(i)->brightness <= 7);
  if (loaded) FUZZ_CHECK(table.Save());

  SideModelTable reread;
  FUZZ_CHECK(reread.Load(path));
  FUZZ_CHECK(SameTable(table, reread));
  if (!loaded) {
    SideModelTable defaults;
    FUZZ_CHECK(SameTable(reread, defaults));
  }
  return 0;
}
