#include "sim/SimCommands.h"

#include <cstdio>
#include <cstdlib>

#include "sim/SimKeyCommands.h"

namespace kb::sim {

namespace {
CommandResult Ok(const std::string& text = "") { return {0, text}; }

bool ParseNumber(const std::string& text, int base, long* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  *out = std::strtol(text.c_str(), &end, base);
  return end && *end == '\0';
}
}  // namespace

SimCommands::SimCommands(SimMachine& machine)
    : machine_(machine), keyCommands_(std::make_unique<SimKeyCommands>(machine)) {}

SimCommands::~SimCommands() = default;

std::string SimCommands::Usage() {
  return "usage: kbsim <command>\n"
         "  daemon [--socket PATH] [--type-into-display]\n"
         "                             run the simulated machine (in the foreground); with\n"
         "                             --type-into-display the keys its system receives are\n"
         "                             typed into the X display (XTEST)\n"
         "  status [DEVICE]            what the device shows (keyboard by default)\n"
         "  plug [DEVICE] | unplug [DEVICE]\n"
         "  log | reset-log            reports received, with microsecond timestamps\n"
         "  firmware MAJOR.MINOR       the version the keyboard reports\n"
         "  stall on|off [DEVICE]      stop answering transfers / answer again\n"
         "  drop [N] [DEVICE]          leave the bus during the transfer after the next N\n"
         "  input HEX...               queue an input report on the keyboard's vendor collection\n"
         "  devices                    every device interface with its path\n"
         "  ping | shutdown\n" +
         SimKeyCommands::Usage() +
         "The daemon's socket is $KBSIM_SOCKET, else kbsim.sock in $XDG_RUNTIME_DIR/kbsim, else in /tmp/kbsim-UID\n"
         "(a folder only its user may open).\n";
}

CommandResult SimCommands::Run(const std::vector<std::string>& args) {
  if (args.empty()) return {2, Usage()};
  const std::string& command = args[0];
  if (command == "ping") return Ok("pong\n");
  if (command == "status") return Status(args);
  if (command == "plug") return Plug(args, true);
  if (command == "unplug") return Plug(args, false);
  if (command == "log") return Ok(machine_.Log().Text());
  if (command == "reset-log") {
    machine_.Log().Clear();
    return Ok();
  }
  if (command == "firmware") return Firmware(args);
  if (command == "stall") return Stall(args);
  if (command == "drop") return Drop(args);
  if (command == "input") return Input(args);
  if (command == "devices") return DeviceList();
  if (keyCommands_->Handles(command)) return keyCommands_->Run(args);
  if (command == "help" || command == "--help") return Ok(Usage());
  return {2, "kbsim: unknown command \"" + command + "\"\n" + Usage()};
}

SimHidDevice* SimCommands::DeviceArg(const std::vector<std::string>& args, size_t index, CommandResult* error) {
  if (args.size() <= index) return &machine_.Keyboard();
  SimHidDevice* device = machine_.FindDevice(args[index]);
  if (!device) *error = Fail("kbsim: no device \"" + args[index] + "\"");
  return device;
}

CommandResult SimCommands::Status(const std::vector<std::string>& args) {
  CommandResult error;
  SimHidDevice* device = DeviceArg(args, 1, &error);
  if (!device) return error;
  return Ok(device->StatusText());
}

CommandResult SimCommands::Plug(const std::vector<std::string>& args, bool plug) {
  CommandResult error;
  SimHidDevice* device = DeviceArg(args, 1, &error);
  if (!device) return error;
  bool changed = plug ? machine_.Plug(*device) : machine_.Unplug(*device);
  if (!changed) return Ok(device->Name() + (plug ? " is already plugged in\n" : " is not plugged in\n"));
  return Ok();
}

CommandResult SimCommands::Firmware(const std::vector<std::string>& args) {
  if (args.size() != 2) return Fail("usage: kbsim firmware MAJOR.MINOR");
  size_t dot = args[1].find('.');
  long major = 0;
  long minor = 0;
  if (dot == std::string::npos || !ParseNumber(args[1].substr(0, dot), 10, &major) ||
      !ParseNumber(args[1].substr(dot + 1), 10, &minor) || major < 0 || major > 255 || minor < 0 || minor > 255)
    return Fail("kbsim: firmware version must be MAJOR.MINOR, each 0 to 255");
  machine_.Keyboard().SetFirmware(static_cast<int>(major), static_cast<int>(minor));
  return Ok();
}

CommandResult SimCommands::Stall(const std::vector<std::string>& args) {
  if (args.size() < 2 || (args[1] != "on" && args[1] != "off")) return Fail("usage: kbsim stall on|off [DEVICE]");
  CommandResult error;
  SimHidDevice* device = DeviceArg(args, 2, &error);
  if (!device) return error;
  device->SetStalled(args[1] == "on");
  device->LogLine(-1, "stall", {}, args[1]);
  return Ok();
}

CommandResult SimCommands::Drop(const std::vector<std::string>& args) {
  long after = 0;
  size_t deviceIndex = 1;
  if (args.size() > 1 && ParseNumber(args[1], 10, &after)) deviceIndex = 2;
  if (after < 0) return Fail("usage: kbsim drop [N] [DEVICE]");
  CommandResult error;
  SimHidDevice* device = DeviceArg(args, deviceIndex, &error);
  if (!device) return error;
  device->ArmDrop(static_cast<int>(after));
  return Ok();
}

CommandResult SimCommands::Input(const std::vector<std::string>& args) {
  std::vector<uint8_t> report;
  for (size_t i = 1; i < args.size(); ++i) {
    long value = 0;
    if (!ParseNumber(args[i], 16, &value) || value < 0 || value > 255) return Fail("kbsim: input takes hex bytes");
    report.push_back(static_cast<uint8_t>(value));
  }
  SimKeyboard& keyboard = machine_.Keyboard();
  if (!keyboard.Plugged()) return Fail("kbsim: the keyboard is not plugged in");
  if (!keyboard.QueueInput(keyboard.ControlCollection(), report))
    return Fail("kbsim: an input report of the vendor collection is 8 bytes starting with 07");
  keyboard.LogLine(static_cast<int>(keyboard.ControlCollection()), "input", report, "queued");
  return Ok();
}

CommandResult SimCommands::DeviceList() {
  std::string text;
  for (SimHidDevice* device : machine_.Devices()) {
    for (const SimCollection& c : device->Collections()) {
      char line[160];
      std::snprintf(line, sizeof line, "%-9s %-8s %-12s page %04x usage %04x in %u out %u feature %u  ",
                    device->Name().c_str(), device->Plugged() ? "present" : "absent", c.name.c_str(),
                    c.caps.usagePage, c.caps.usage, c.caps.inputLength, c.caps.outputLength, c.caps.featureLength);
      text += line + c.path + "\n";
    }
  }
  return Ok(text);
}

}  // namespace kb::sim
