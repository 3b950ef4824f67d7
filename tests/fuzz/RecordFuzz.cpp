// record.xml: any bytes load without a crash, and whatever loads is written
// and read back to the same records.
#include "fuzz/FuzzScratch.h"
#include "macro/RecordStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring path = kbfuzz::TheScratch().Write("record.xml", data, size);
  RecordStore store;
  if (!store.Load(path)) {
    FUZZ_CHECK(store.Count() == 0);
    return 0;
  }
  FUZZ_CHECK(store.Save());
  RecordStore reread;
  FUZZ_CHECK(reread.Load(path));
  FUZZ_CHECK(reread.Records() == store.Records());
  for (const KeyRecord& record : store.Records()) {
    std::optional<KeyRecord> found = store.Find(record.code);
    FUZZ_CHECK(found.has_value() && found->code == record.code);
  }
  return 0;
}
