#include "sim/SimKeyCommands.h"

#include "sim/SimKeyNames.h"

namespace kb::sim {

namespace {
constexpr int kMaxVirtualKeyboards = 2;
}  // namespace

std::string SimKeyCommands::Usage() {
  return "  press KEY... | release KEY... | tap KEY...\n"
         "                             physical keys (KEY: a name such as a, enter, f5, lshift,\n"
         "                             volup, or PAGE:USAGE in hex such as 7:4 or c:e9)\n"
         "  type KEY|TEXT...           taps every key; a word that names no key is typed letter by letter\n"
         "  held                       the keys the system holds down now\n"
         "  typed [SOURCE] | reset-typed\n"
         "                             key events the system received (keyboard, vkbd), microsecond times\n"
         "  vkbd install [2] | remove | status\n"
         "                             the virtual keyboard's driver (2: a stale duplicate as well)\n"
         "  filter                     the filter driver's state and intercept table\n";
}

bool SimKeyCommands::Handles(const std::string& command) const {
  for (const char* name : {"press", "release", "tap", "type", "held", "typed", "reset-typed", "vkbd", "filter"})
    if (command == name) return true;
  return false;
}

CommandResult SimKeyCommands::Run(const std::vector<std::string>& args) {
  const std::string& command = args[0];
  if (command == "press") return Press(args, true, false);
  if (command == "release") return Press(args, false, true);
  if (command == "tap") return Press(args, true, true);
  if (command == "type") return Type(args);
  if (command == "held") return {0, machine_.System().HeldText()};
  if (command == "typed") return {0, machine_.System().EventsText(args.size() > 1 ? args[1] : "")};
  if (command == "reset-typed") {
    machine_.System().ClearEvents();
    return {};
  }
  if (command == "vkbd") return VirtualKeyboard(args);
  return {0, machine_.Filter().StatusText()};
}

bool SimKeyCommands::KeysOf(const std::vector<std::string>& words, std::vector<uint32_t>* keys,
                            std::string* bad) const {
  for (const std::string& word : words) {
    if (std::optional<uint32_t> key = ParseKey(word)) {
      keys->push_back(*key);
      continue;
    }
    for (char c : word) {
      std::optional<uint32_t> key = ParseKey(c == ' ' ? "space" : std::string(1, c));
      if (!key) {
        *bad = word;
        return false;
      }
      keys->push_back(*key);
    }
  }
  return true;
}

CommandResult SimKeyCommands::Press(const std::vector<std::string>& args, bool press, bool release) {
  if (args.size() < 2) return Fail("usage: kbsim " + args[0] + " KEY...");
  std::vector<uint32_t> keys;
  for (size_t i = 1; i < args.size(); ++i) {
    std::optional<uint32_t> key = ParseKey(args[i]);
    if (!key) return Fail("kbsim: no key \"" + args[i] + "\"");
    keys.push_back(*key);
  }
  for (uint32_t key : keys) {
    if (press && !machine_.PhysicalKey(key, true)) return Fail("kbsim: the keyboard is not plugged in");
    if (release && !machine_.PhysicalKey(key, false)) return Fail("kbsim: the keyboard is not plugged in");
  }
  return {};
}

CommandResult SimKeyCommands::Type(const std::vector<std::string>& args) {
  if (args.size() < 2) return Fail("usage: kbsim type KEY|TEXT...");
  std::vector<uint32_t> keys;
  std::string bad;
  if (!KeysOf(std::vector<std::string>(args.begin() + 1, args.end()), &keys, &bad))
    return Fail("kbsim: cannot type \"" + bad + "\"");
  for (uint32_t key : keys) {
    if (!machine_.PhysicalKey(key, true) || !machine_.PhysicalKey(key, false))
      return Fail("kbsim: the keyboard is not plugged in");
  }
  return {};
}

CommandResult SimKeyCommands::VirtualKeyboard(const std::vector<std::string>& args) {
  std::string usage = "usage: kbsim vkbd install [2] | remove | status";
  if (args.size() < 2) return Fail(usage);
  if (args[1] == "install") {
    int count = 1;
    if (args.size() > 2) count = args[2] == "2" ? kMaxVirtualKeyboards : 0;
    if (count == 0) return Fail(usage);
    machine_.InstallVirtualKeyboards(count);
    return {};
  }
  if (args[1] == "remove") {
    machine_.RemoveVirtualKeyboards();
    return {};
  }
  if (args[1] == "status") {
    std::string text;
    for (SimVirtualKeyboard* device : machine_.VirtualKeyboards()) text += device->StatusText();
    return {0, text};
  }
  return Fail(usage);
}

}  // namespace kb::sim
