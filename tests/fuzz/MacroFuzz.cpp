// macro.xml: any bytes load without a crash, and whatever loads is written
// and read back to the same model.
#include "fuzz/FuzzScratch.h"
#include "macro/MacroStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring path = kbfuzz::TheScratch().Write("macro.xml", data, size);
  MacroStore store;
  if (!store.Load(path)) {
    FUZZ_CHECK(store.GroupCount() == 0);
    FUZZ_CHECK(store.Settings() == MacroSettings());
    return 0;
  }
  FUZZ_CHECK(store.Save());
  MacroStore reread;
  FUZZ_CHECK(reread.Load(path));
  FUZZ_CHECK(reread.Groups() == store.Groups());
  FUZZ_CHECK(reread.Settings() == store.Settings());
  return 0;
}
