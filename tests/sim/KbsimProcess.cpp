#include "sim/KbsimProcess.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/linux/kbsim_protocol.h"

extern char** environ;

namespace kb::test {

namespace {
std::atomic<int> counter{0};

int Connect(const std::string& path) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
  if (fd >= 0) ::close(fd);
  return -1;
}

KbsimResult RunProcess(const std::vector<std::string>& argv) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  KbsimResult result;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) result.text.append(buffer, static_cast<size_t>(n));
  ::close(pipeFds[0]);
  if (rc != 0) return result;
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}
}  // namespace

KbsimProcess::~KbsimProcess() { Stop(); }

std::string KbsimProcess::Executable() {
  const char* out = std::getenv("KB_OUTPUT_DIR");
  if (out && *out) return std::string(out) + "/kbsim";
  char self[4096];
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  std::string path(self, n > 0 ? static_cast<size_t>(n) : 0);
  return path.substr(0, path.rfind('/')) + "/kbsim";
}

void KbsimProcess::UseNoDaemon() {
  std::string path = "/tmp/kbsim-none-" + std::to_string(::getpid()) + ".sock";
  ::unlink(path.c_str());
  ::setenv("KBSIM_SOCKET", path.c_str(), 1);
}

bool KbsimProcess::Start() {
  Stop();
  socketPath_ = "/tmp/kbsim-t" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".sock";
  ::unlink(socketPath_.c_str());
  std::string exe = Executable();
  std::vector<std::string> argv = {exe, "daemon", "--socket", socketPath_, "--exit-with-parent"};
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  // The daemon's complaints go to a file of its own: a daemon that outlives a
  // crashed test must not keep the test runner's output pipe open.
  std::string log = socketPath_ + ".log";
  posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  int rc = posix_spawn(&pid_, exe.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    pid_ = -1;
    return false;
  }
  ::setenv("KBSIM_SOCKET", socketPath_.c_str(), 1);
  for (int i = 0; i < 500; ++i) {
    int fd = Connect(socketPath_);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

void KbsimProcess::Stop() {
  if (pid_ <= 0) return;
  Command({"shutdown"});
  int status = 0;
  for (int i = 0; i < 300 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (::waitpid(pid_, &status, WNOHANG) == 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
  }
  pid_ = -1;
  ::unlink(socketPath_.c_str());
  ::unlink((socketPath_ + ".log").c_str());
}

KbsimResult KbsimProcess::Command(const std::vector<std::string>& args) const {
  int fd = Connect(socketPath_);
  if (fd < 0) return {};
  KbsimResult result;
  sim::Reply reply;
  std::string why;
  if (sim::RunCommand(fd, args, &reply, &why)) {
    result.status = static_cast<int>(reply.error);
    result.text.assign(reply.data.begin(), reply.data.end());
  } else {
    result.text = why;
  }
  ::close(fd);
  return result;
}

KbsimResult KbsimProcess::RunClient(const std::vector<std::string>& args) const {
  std::vector<std::string> argv = {Executable()};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProcess(argv);
}

std::vector<std::string> LogLines(const KbsimProcess& sim, const std::string& kind) {
  std::vector<std::string> lines;
  std::istringstream text(sim.Command({"log"}).text);
  std::string line;
  while (std::getline(text, line))
    if ((line + " ").find(" " + kind + " ") != std::string::npos) lines.push_back(line);
  return lines;
}

long long LogTimeUs(const std::string& line) {
  long long seconds = 0, micros = 0;
  std::sscanf(line.c_str(), "%lld.%6lld", &seconds, &micros);
  return seconds * 1000000 + micros;
}

}  // namespace kb::test
