// kbsim: the simulated machine's daemon ("kbsim daemon") and its command-line
// client (every other sub-command is sent to the running daemon).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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
  std::string why;
  if (!std::getenv("KBSIM_SOCKET") && socketPath == kb::sim::SocketPath() &&
      !kb::sim::PreparePrivateFolder(kb::sim::DefaultSocketFolder(), &why)) {
    std::fprintf(stderr, "kbsim daemon: refusing the socket folder: %s\n", why.c_str());
    return 1;
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
  std::string why;
  if (!kb::sim::SocketOwnedByUs(socketPath, &why)) {
    std::fprintf(stderr, "kbsim: refusing to connect: %s\n", why.c_str());
    return 3;
  }
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::fprintf(stderr, "kbsim: no daemon at %s (start one with scripts/kbsim-start)\n", socketPath.c_str());
    return 3;
  }
  kb::sim::Reply reply;
  bool answered = kb::sim::RunCommand(fd, args, &reply, &why);
  ::close(fd);
  // The daemon closes the connection when it shuts down.
  if (!answered && args.size() == 1 && args[0] == "shutdown") return 0;
  if (!answered) {
    std::fprintf(stderr, "kbsim: no answer from the daemon at %s: %s\n", socketPath.c_str(), why.c_str());
    return 3;
  }
  if (!reply.data.empty() &&
      std::fwrite(reply.data.data(), 1, reply.data.size(), reply.error ? stderr : stdout) != reply.data.size()) {
    std::fprintf(stderr, "kbsim: cannot write the answer: %s\n", std::strerror(errno));
    return 3;
  }
  return static_cast<int>(reply.error);
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
