// kbsim: the simulated machine's daemon ("kbsim daemon") and its command-line
// client (every other sub-command is sent to the running daemon).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/linux/kbsim_protocol.h"
#include "sim/SimCommands.h"
#include <sys/prctl.h>

#include "sim/SimDisplayTyping.h"
#include "sim/SimMachine.h"
#include "sim/SimServer.h"

namespace {

int RunDaemon(const std::vector<std::string>& args) {
  std::string socketPath = kb::sim::SocketPath();
  bool typeIntoDisplay = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--socket" && i + 1 < args.size()) {
      socketPath = args[++i];
    } else if (args[i] == "--type-into-display") {
      typeIntoDisplay = true;
    } else if (args[i] == "--exit-with-parent") {
      // A test that crashes must not leave its machine running (holding the
      // test runner's output pipe open until a timeout).
      pid_t parent = ::getppid();
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (::getppid() != parent) return 0;
    } else {
      std::fprintf(stderr, "kbsim daemon: unknown option %s\n", args[i].c_str());
      return 2;
    }
  }
  std::signal(SIGPIPE, SIG_IGN);
  // Declared first: the machine may still release keys while it goes.
  kb::sim::SimDisplayTyping typing;
  kb::sim::SimMachine machine;
  if (typeIntoDisplay) {
    std::string error;
    if (typing.Open("", &error)) {
      machine.System().SetSink([&typing](const kb::sim::SimInputEvent& e) { typing.Forward(e); });
    } else {
      std::fprintf(stderr, "kbsim daemon: not typing into the display: %s\n", error.c_str());
    }
  }
  kb::sim::SimServer server(machine, socketPath);
  if (!server.Listen()) return 1;
  std::printf("kbsim: serving at %s\n", socketPath.c_str());
  std::fflush(stdout);
  server.Run();
  return 0;
}

int RunClient(const std::vector<std::string>& args) {
  std::string socketPath = kb::sim::SocketPath();
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof(address.sun_path) - 1);
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::fprintf(stderr, "kbsim: no daemon at %s (start one with scripts/kbsim-start)\n", socketPath.c_str());
    return 3;
  }
  kb::sim::WireWriter request(kb::sim::MsgType::kCommand, 1);
  request.U32(static_cast<uint32_t>(args.size()));
  for (const std::string& a : args) request.Str(a);
  if (!kb::sim::WriteAll(fd, request.Finish())) return 3;
  std::vector<uint8_t> input;
  kb::sim::Frame frame;
  for (;;) {
    int taken = kb::sim::TakeFrame(input, &frame);
    if (taken < 0) break;
    if (taken > 0) {
      if (frame.type != kb::sim::MsgType::kReply || frame.id != 1) continue;
      kb::sim::Reply reply = kb::sim::DecodeReply(frame);
      if (!reply.data.empty()) std::fwrite(reply.data.data(), 1, reply.data.size(), reply.error ? stderr : stdout);
      ::close(fd);
      return static_cast<int>(reply.error);
    }
    uint8_t buffer[65536];
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    input.insert(input.end(), buffer, buffer + n);
  }
  ::close(fd);
  // The daemon closes the connection when it shuts down.
  return args.size() == 1 && args[0] == "shutdown" ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    std::fputs(kb::sim::SimCommands::Usage().c_str(), args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  if (args[0] == "daemon") return RunDaemon(std::vector<std::string>(args.begin() + 1, args.end()));
  return RunClient(args);
}
