#pragma once
// The client's commands for keys and the key drivers: physical key presses,
// what the system holds and received, the virtual keyboard's installation and
// the filter driver's state.
#include <string>
#include <vector>

#include "sim/SimCommands.h"
#include "sim/SimMachine.h"

namespace kb::sim {

class SimKeyCommands {
 public:
  explicit SimKeyCommands(SimMachine& machine) : machine_(machine) {}
  // False when the command is not one of these.
  bool Handles(const std::string& command) const;
  CommandResult Run(const std::vector<std::string>& args);
  static std::string Usage();

 private:
  CommandResult Press(const std::vector<std::string>& args, bool press, bool release);
  CommandResult Type(const std::vector<std::string>& args);
  CommandResult VirtualKeyboard(const std::vector<std::string>& args);
  // Every key the words name, in order; a word that is no key name is typed
  // letter by letter.
  bool KeysOf(const std::vector<std::string>& words, std::vector<uint32_t>* keys, std::string* bad) const;

  SimMachine& machine_;
};

}  // namespace kb::sim
