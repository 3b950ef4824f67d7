// keyactions [--seconds N] [RECORD.XML]
// Performs the key assignments of a record file (record.xml beside the
// executable by default) until standard input ends, or for N seconds.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "keyfunc/KeyMonitor.h"
#include "keyfunc/VHidev.h"
#include "keyfunc/VirtualKeyboardSetup.h"
#include "macro/KeyActionRunner.h"
#include "macro/RecordStore.h"
#include "platform/path.h"
#include "platform/text.h"
#include "platform/win32.h"

namespace {

struct Options {
  int seconds = 0;  // 0: until standard input ends
  std::wstring recordFile;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      options->seconds = std::atoi(argv[++i]);
    } else if (argv[i][0] == '-') {
      return false;
    } else {
      options->recordFile = kb::Utf8ToWide(argv[i]);
    }
  }
  if (options->recordFile.empty()) options->recordFile = kb::PathJoin(kb::ExecutableFolder(), RecordStore::kFileName);
  return true;
}

void WaitForTheEnd(int seconds) {
  if (seconds > 0) {
    Sleep(static_cast<DWORD>(seconds) * 1000);
    return;
  }
  while (std::getchar() != EOF) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr, "usage: keyactions [--seconds N] [RECORD.XML]\n");
    return 2;
  }
  bool keyboard = EnsureVirtualKeyboard(L"");
  VHidev::Instance().ReleaseAll();
  if (!RecordStore::Instance().Load(options.recordFile)) {
    std::fprintf(stderr, "keyactions: cannot read %s\n", kb::WideToUtf8(options.recordFile).c_str());
    return 1;
  }
  {
    KeyActionRunner runner;
    HidUsbFilter::KeyMonitor monitor;
    monitor.AddProxy(&runner, &KeyActionRunner::OnKeyEvent);
    bool filter = monitor.OpenFilter() != INVALID_HANDLE_VALUE;
    monitor.Start();
    monitor.SendInterceptTable(RecordStore::Instance().Codes());
    std::printf("keyactions: %zu records, virtual keyboard %s, filter driver %s\n", RecordStore::Instance().Count(),
                keyboard ? "open" : "missing", filter ? "open" : "missing");
    std::fflush(stdout);
    WaitForTheEnd(options.seconds);
    // The monitor goes first, so no key handler runs while playback ends.
  }
  VHidev::Instance().ReleaseAll();
  return 0;
}
