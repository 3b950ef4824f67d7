// config.xml: any bytes load without a crash, and what is kept follows the
// file's rules.
#include "app/AppConfig.h"
#include "fuzz/FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kbfuzz::TheScratch().Write("config.xml", data, size);
  AppConfig config;
  FunKeyEntry stale;
  stale.name = L"stale";
  config.funKeys.push_back(stale);
  if (!config.Load(kbfuzz::TheScratch().Folder())) {
    FUZZ_CHECK(config.vid == 0 && config.pid == 0 && config.usbInterface == 0 && config.subdevice == 0);
    FUZZ_CHECK(!config.isChinese && config.funKeys.empty() && config.combKeys.empty());
    return 0;
  }
  for (const FunKeyEntry& entry : config.funKeys) FUZZ_CHECK(!entry.name.empty());

  // The code lists on their own: a pair per token that holds a number.
  std::string_view text(reinterpret_cast<const char*>(data), size);
  size_t tokens = 1;
  for (char c : text) tokens += c == ',';
  FUZZ_CHECK(AppConfig::ParseCombKeyCodes(text).size() <= tokens);
  return 0;
}
