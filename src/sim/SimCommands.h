#pragma once
// The command-line client's commands, carried out in the daemon on its
// machine: each takes the words after "kbsim" and gives an exit status and the
// text to print.
#include <memory>
#include <string>
#include <vector>

#include "sim/SimMachine.h"

namespace kb::sim {
class SimKeyCommands;
}

namespace kb::sim {

struct CommandResult {
  int status = 0;
  std::string text;
};

// A command refused: status 2 and the reason on a line of its own.
inline CommandResult Fail(const std::string& text) { return {2, text + "\n"}; }

class SimCommands {
 public:
  explicit SimCommands(SimMachine& machine);
  ~SimCommands();
  CommandResult Run(const std::vector<std::string>& args);
  static std::string Usage();

 private:
  CommandResult Status(const std::vector<std::string>& args);
  CommandResult Plug(const std::vector<std::string>& args, bool plug);
  CommandResult Firmware(const std::vector<std::string>& args);
  CommandResult Stall(const std::vector<std::string>& args);
  CommandResult Drop(const std::vector<std::string>& args);
  CommandResult Input(const std::vector<std::string>& args);
  CommandResult DeviceList();
  // The device named by args[index], the keyboard when there is no such word.
  SimHidDevice* DeviceArg(const std::vector<std::string>& args, size_t index, CommandResult* error);

  SimMachine& machine_;
  std::unique_ptr<SimKeyCommands> keyCommands_;
};

}  // namespace kb::sim
