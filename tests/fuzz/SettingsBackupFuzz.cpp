// Settings backups: any bytes are either refused, with a reason and nothing
// changed, or taken whole; what is taken is written again to the same
// bytes it reads back from, and put into stores it is exactly what they hold.
#include "fuzz/FuzzScratch.h"
#include "macro/SettingsBackup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring path = kbfuzz::TheScratch().Write("backup.xml", data, size);
  SettingsBackup::ReadResult read = SettingsBackup::Read(path);
  if (!read.settings) {
    FUZZ_CHECK(!read.reason.empty());
    FUZZ_CHECK(!read.cannotRead);
    return 0;
  }
  const SettingsSnapshot& settings = *read.settings;
  const std::string text = SettingsBackup::Text(settings);
  SettingsBackup::ReadResult again = SettingsBackup::Parse(text);
  FUZZ_CHECK(again.settings && *again.settings == settings);
  FUZZ_CHECK(SettingsBackup::Text(*again.settings) == text);

  const std::wstring folder = kbfuzz::TheScratch().Folder();
  LedEffectTable effects;
  SideModelTable sides;
  MacroStore macros;
  RecordStore records;
  effects.Load(folder + L"/ledeffect.xml");
  sides.Load(folder + L"/sidemodel.xml");
  macros.Load(folder + L"/macro.xml");
  records.Load(folder + L"/record.xml");
  SettingsStores stores{effects, sides, macros, records};
  FUZZ_CHECK(SettingsBackup::Apply(settings, stores));
  FUZZ_CHECK(SettingsBackup::Capture(stores) == settings);
  MacroStore macrosAgain;
  RecordStore recordsAgain;
  FUZZ_CHECK(macrosAgain.Load(folder + L"/macro.xml") && macrosAgain.Groups() == settings.groups);
  FUZZ_CHECK(recordsAgain.Load(folder + L"/record.xml") && recordsAgain.Records() == settings.records);
  return 0;
}
