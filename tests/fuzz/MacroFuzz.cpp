// macro.xml and shared macro files: any bytes load without a crash, and
// whatever loads is written and read back to the same model. A shared file
// either holds groups, which an empty store imports with their steps and
// under names all different, and exports to the same groups, or is refused.
#include "fuzz/FuzzScratch.h"
#include "macro/MacroStore.h"

namespace {

void CheckImport(const std::wstring& path) {
  std::optional<std::vector<MacroGroup>> groups = MacroStore::ReadGroupsFile(path);
  if (!groups) return;
  FUZZ_CHECK(!groups->empty());
  MacroStore target;
  target.Load(kbfuzz::TheScratch().Write("imported.xml", nullptr, 0));
  FUZZ_CHECK(target.AppendGroups(*groups));
  FUZZ_CHECK(target.GroupCount() == static_cast<int>(groups->size()));
  for (size_t i = 0; i < groups->size(); ++i) {
    FUZZ_CHECK(target.Groups()[i].steps == (*groups)[i].steps);
    for (size_t j = 0; j < i; ++j) FUZZ_CHECK(target.Groups()[i].name != target.Groups()[j].name);
  }
  const std::wstring exported = kbfuzz::TheScratch().Folder() + L"/exported.xml";
  FUZZ_CHECK(target.ExportGroups(exported, {}));
  std::optional<std::vector<MacroGroup>> reread = MacroStore::ReadGroupsFile(exported);
  FUZZ_CHECK(reread && *reread == target.Groups());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring path = kbfuzz::TheScratch().Write("macro.xml", data, size);
  CheckImport(path);
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
