// ledeffect.xml: any bytes load without a crash; a loaded table holds only
// repaired values and comes back unchanged through its own file; a file that
// does not load is replaced by the defaults.
#include "fuzz/FuzzScratch.h"
#include "keyboard/LedEffectTable.h"

namespace {

// Selection 0 (the defaults' "none chosen") reads back as 1, like every
// other selection outside 1 and 2.
LedEffectEntry AsReadBack(LedEffectEntry entry) {
  if (entry.selection == 0) entry.selection = LedEffectTable::kSelectionLeft;
  return entry;
}

bool SameTable(LedEffectTable& a, LedEffectTable& b) {
  if (a.GetCurrent() != b.GetCurrent()) return false;
  for (int i = 0; i < LedEffectTable::kEntryCount; ++i) {
    if (!(AsReadBack(*a.GetEntry(i)) == AsReadBack(*b.GetEntry(i)))) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring path = kbfuzz::TheScratch().Write("ledeffect.xml", data, size);
  LedEffectTable table;
  const bool loaded = table.Load(path);
  FUZZ_CHECK(table.GetCurrent() >= 0 && table.GetCurrent() <= LedEffectTable::kMaxSel);
  for (int i = 0; i < LedEffectTable::kEntryCount; ++i) {
    const LedEffectEntry& e = *table.GetEntry(i);
    FUZZ_CHECK(e.brightness <= 5 && e.speed <= 2 && e.deriction <= 1 && e.selection <= 2);
  }
  if (loaded) FUZZ_CHECK(table.Save());

  LedEffectTable reread;
  FUZZ_CHECK(reread.Load(path));
  FUZZ_CHECK(SameTable(table, reread));
  if (!loaded) {
    LedEffectTable defaults;
    FUZZ_CHECK(SameTable(reread, defaults));
  }
  return 0;
}
