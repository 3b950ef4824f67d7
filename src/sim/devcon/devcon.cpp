// devcon for the simulated machine: installs and removes the virtual
// keyboard's driver the way the device installer tool does on Windows, with
// the same command lines:
//   devcon remove root\vhidev
//   devcon install "<folder>\vhidflt.inf" root\vhidev
// It tells the kbsim daemon ($KBSIM_SOCKET) what changed.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/linux/kbsim_protocol.h"

namespace {

constexpr char kHardwareId[] = "root\\vhidev";
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 2;
constexpr int kExitUsage = 3;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Runs one kbsim command; false (with a message) when no daemon answers.
bool Kbsim(const std::vector<std::string>& args, std::string* output) {
  std::string socketPath = kb::sim::SocketPath();
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof(address.sun_path) - 1);
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (fd >= 0) ::close(fd);
    std::fprintf(stderr, "devcon: no simulated machine at %s\n", socketPath.c_str());
    return false;
  }
  kb::sim::Reply reply;
  std::string why;
  bool answered = kb::sim::RunCommand(fd, args, &reply, &why);
  ::close(fd);
  if (!answered) {
    std::fprintf(stderr, "devcon: the simulated machine did not answer: %s\n", why.c_str());
    return false;
  }
  if (output) output->assign(reply.data.begin(), reply.data.end());
  return reply.error == 0;
}

int InstalledCount() {
  std::string status;
  if (!Kbsim({"vkbd", "status"}, &status)) return -1;
  int count = 0;
  for (size_t at = status.find(" present"); at != std::string::npos; at = status.find(" present", at + 1)) ++count;
  return count;
}

int Remove() {
  int before = InstalledCount();
  if (before < 0 || !Kbsim({"vkbd", "remove"}, nullptr)) return kExitFailure;
  if (before == 0) {
    std::printf("No devices were removed.\n");
  } else {
    std::printf("%d device(s) were removed.\n", before);
  }
  return kExitSuccess;
}

// An installation file names the hardware ids it installs; one that does not
// name ours installs nothing.
bool InfInstalls(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return Lower(text.str()).find(kHardwareId) != std::string::npos;
}

int Install(const std::string& inf) {
  if (!InfInstalls(inf)) {
    std::printf("devcon failed: %s does not install %s.\n", inf.c_str(), kHardwareId);
    return kExitFailure;
  }
  if (!Kbsim({"vkbd", "install"}, nullptr)) return kExitFailure;
  std::printf("Device node created. Install is complete when drivers are installed...\n");
  std::printf("Drivers installed successfully.\n");
  return kExitSuccess;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && Lower(args[0]) == "remove" && Lower(args[1]) == kHardwareId) return Remove();
  if (args.size() == 3 && Lower(args[0]) == "install" && Lower(args[2]) == kHardwareId) return Install(args[1]);
  std::fprintf(stderr, "usage: devcon remove %s\n       devcon install INF %s\n", kHardwareId, kHardwareId);
  return kExitUsage;
}
