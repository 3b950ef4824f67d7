// Opens the keyboard named by the ids of a config.xml and sends every command
// the program has: backlight effect, its start-up resend, side light, firmware
// version, factory reset; then watches the keyboard leave and come back.
//
//   kbcommands [FOLDER]   (the folder of config.xml; the executable's by default)
//   kbcommands --churn STOPFILE [FOLDER]
//                         reopens the keyboard and sends lighting commands over
//                         and over while it comes and goes, until STOPFILE
//                         exists; prints the calls, the longest one and the
//                         open descriptors before and after (scripts/soak)
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <string>
#include <thread>

#include "app/AppConfig.h"
#include "hid/HidDevice.h"
#include "hid/HidInterfaceInfo.h"
#include "keyboard/KeyboardCommands.h"
#include "platform/path.h"
#include "platform/text.h"

namespace {

constexpr uint32_t kAccess = 0xC0000003;  // read and write, shared for reading and writing
constexpr int kDemoEffect = 21;
constexpr int kDemoSideMode = 5;
constexpr int kWaitStepMs = 50;
constexpr int kWaitLimitMs = 10000;

bool KeyboardPresent(const AppConfig& config) {
  int32_t product = config.pid;
  HidInterfaceInfo* list =
      FindHidInterfaces(config.vid, config.pid ? 1 : 0, &product, config.usbInterface, config.subdevice);
  FreeHidInterfaceList(list);
  return list != nullptr;
}

// Waits until the keyboard's presence is `present`; the milliseconds waited, or -1.
int WaitForKeyboard(const AppConfig& config, bool present) {
  for (int waited = 0; waited <= kWaitLimitMs; waited += kWaitStepMs) {
    if (KeyboardPresent(config) == present) return waited;
    std::this_thread::sleep_for(std::chrono::milliseconds(kWaitStepMs));
  }
  return -1;
}

size_t OpenDescriptors() {
  std::error_code error;
  size_t count = 0;
  for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error))
    ++count;
  return count;
}

// One round as the program makes it after an arrival: open, both lights,
// the version; each call timed.
struct ChurnFigures {
  long calls = 0;
  long failedOpens = 0;
  long long maxCallMs = 0;
};

template <typename Call>
void Timed(ChurnFigures& figures, Call call) {
  auto start = std::chrono::steady_clock::now();
  call();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  figures.maxCallMs = std::max<long long>(figures.maxCallMs, ms);
  ++figures.calls;
}

int Churn(const AppConfig& config, const std::string& stopFile) {
  LedEffectTable effects;
  SideModelTable sides;
  ChurnFigures figures;
  // Counted once the first round has connected to the machine for good.
  size_t before = 0;
  for (int round = 0; !std::filesystem::exists(stopFile); ++round) {
    if (round == 1) before = OpenDescriptors();
    HidDevice device;
    int64_t lastSendTime = 0;
    int32_t firmwareVersion = -1;
    KeyboardCommands commands(device, lastSendTime, firmwareVersion, effects, sides);
    bool opened = false;
    Timed(figures, [&] {
      int32_t product = config.pid;
      opened = device.Open(config.vid, config.pid ? 1 : 0, &product, config.usbInterface, config.subdevice, nullptr,
                           kAccess);
    });
    if (!opened) {
      ++figures.failedOpens;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    Timed(figures, [&] { commands.SetBacklightEffect(round % KeyboardCommands::kEffectCount); });
    Timed(figures, [&] { commands.SetSideLight(round % KeyboardCommands::kSideModeCount); });
    Timed(figures, [&] { commands.ReadFirmwareVersion(); });
    Timed(figures, [&] { device.Close(); });
  }
  size_t after = OpenDescriptors();
  std::printf("churn: %ld calls, %ld opens found no keyboard, longest call %lld ms, descriptors %zu -> %zu\n",
              figures.calls, figures.failedOpens, figures.maxCallMs, before, after);
  return after <= before ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::string(argv[1]) == "--churn") {
    std::wstring churnFolder = argc > 3 ? kb::Utf8ToWide(argv[3]) : kb::ExecutableFolder();
    AppConfig& churnConfig = AppConfig::Instance();
    if (!churnConfig.Load(churnFolder)) return 2;
    return Churn(churnConfig, argv[2]);
  }
  std::wstring folder = argc > 1 ? kb::Utf8ToWide(argv[1]) : kb::ExecutableFolder();
  AppConfig& config = AppConfig::Instance();
  if (!config.Load(folder)) {
    std::fprintf(stderr, "kbcommands: cannot read %s\n", kb::WideToUtf8(kb::PathJoin(folder, L"config.xml")).c_str());
    return 2;
  }
  std::printf("keyboard: vid %04x pid %04x interface %d collection %d\n", config.vid, config.pid, config.usbInterface,
              config.subdevice);
  HidDevice device;
  int32_t product = config.pid;
  uint16_t version = 0;
  if (!device.Open(config.vid, config.pid ? 1 : 0, &product, config.usbInterface, config.subdevice, &version,
                   kAccess)) {
    std::fprintf(stderr, "kbcommands: the keyboard is not there\n");
    return 1;
  }
  std::printf("opened, device version %04x\n", version);

  // Tables of their own, not loaded from files: the tool writes nothing.
  LedEffectTable effects;
  SideModelTable sides;
  *effects.GetEntry(kDemoEffect) = LedEffectEntry{4, 1, 1, LedEffectTable::kSelectionCentre};
  sides.GetEntry(kDemoSideMode)->brightness = SideModelTable::kMaxLevel;
  int64_t lastSendTime = 0;
  int32_t firmwareVersion = -1;
  KeyboardCommands commands(device, lastSendTime, firmwareVersion, effects, sides);

  commands.SetBacklightEffect(kDemoEffect);
  commands.ResendBacklightEffect(kDemoEffect);
  commands.SetSideLight(kDemoSideMode);
  commands.ReadFirmwareVersion();
  std::printf("firmware version %d: \"%s\"\n", firmwareVersion,
              kb::WideToUtf8(FirmwareText(firmwareVersion, [](const std::wstring& t) { return t; })).c_str());
  commands.RestoreFactorySettings();

  int left = WaitForKeyboard(config, false);
  int back = left < 0 ? -1 : WaitForKeyboard(config, true);
  device.Close();
  if (left < 0 || back < 0) {
    std::fprintf(stderr, "kbcommands: the keyboard did not leave and come back after the factory reset\n");
    return 1;
  }
  std::printf("factory reset: the keyboard left after %d ms and came back %d ms later\n", left, back);
  return 0;
}
