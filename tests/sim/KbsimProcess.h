#pragma once
// A private kbsim daemon for one test: started from the build's output folder
// on a socket of its own (KBSIM_SOCKET is pointed at it), stopped at the end.
#include <string>
#include <vector>

#include <sys/types.h>

namespace kb::test {

struct KbsimResult {
  int status = -1;
  std::string text;
};

class KbsimProcess {
 public:
  KbsimProcess() = default;
  ~KbsimProcess();
  KbsimProcess(const KbsimProcess&) = delete;
  KbsimProcess& operator=(const KbsimProcess&) = delete;

  // Starts the daemon and waits until it answers; false when it does not.
  bool Start();
  void Stop();
  // Runs a client command in the daemon (as "kbsim ARGS..." would).
  KbsimResult Command(const std::vector<std::string>& args) const;
  // Runs the kbsim executable itself as the command-line client.
  KbsimResult RunClient(const std::vector<std::string>& args) const;
  const std::string& SocketPath() const { return socketPath_; }

  // The kbsim executable of this build.
  static std::string Executable();
  // Points KBSIM_SOCKET at a path where no daemon runs.
  static void UseNoDaemon();

 private:
  pid_t pid_ = -1;
  std::string socketPath_;
};

// Log lines of the daemon that contain `kind` (for example "set-feature").
std::vector<std::string> LogLines(const KbsimProcess& sim, const std::string& kind);
// Microseconds of a log line's timestamp.
long long LogTimeUs(const std::string& line);

}  // namespace kb::test
