#pragma once
// The kbsim daemon's server: accepts connections on a Unix-domain socket and
// serves the requests of the platform layer (open, read, write, control
// requests on the simulated devices), subscriptions to device arrival and
// removal, and the command-line client's commands. One thread runs everything,
// so the machine needs no locks.
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/kbsim_protocol.h"
#include "sim/SimCommands.h"
#include "sim/SimMachine.h"

namespace kb::sim {

// A feature transfer to a stalled device fails after this long, as a control
// transfer the device never answers times out.
inline constexpr int64_t kStalledControlTimeoutUs = 5000000;

class SimServer : public SimMachineListener {
 public:
  SimServer(SimMachine& machine, std::string socketPath);
  ~SimServer() override;

  // Binds the socket; false (with a message on stderr) when another daemon
  // answers there or the socket cannot be made.
  bool Listen();
  // Serves until a shutdown command.
  void Run();

  void OnArrival(SimHidDevice& device, size_t collection) override;
  void OnRemoval(SimHidDevice& device, size_t collection) override;

 private:
  struct Connection {
    int fd = -1;
    std::vector<uint8_t> input;
    bool subscribed = false;
    bool closed = false;
  };
  struct Session {
    Connection* connection = nullptr;
    SimHidDevice* device = nullptr;
    size_t collection = 0;
    uint32_t access = 0;
    uint32_t share = 0;
    bool dead = false;  // the device left; the handle stays useless
    bool filter = false;  // a handle of the filter driver's control device
  };
  enum class PendingKind { kRead, kWrite, kSetFeature, kGetFeature, kFilterEvent };
  struct Pending {
    Connection* connection = nullptr;
    uint32_t requestId = 0;
    PendingKind kind = PendingKind::kRead;
    uint32_t session = 0;
    std::vector<uint8_t> data;
    uint32_t length = 0;
    int64_t deadlineUs = 0;  // 0: none
  };

  void Accept();
  void ReadFrom(Connection& connection);
  void Dispatch(Connection& connection, const Frame& frame);
  void Send(Connection& connection, const std::vector<uint8_t>& frame);
  void ReplyTo(Connection& connection, uint32_t id, const Reply& reply);
  void DropConnection(Connection& connection);

  void HandleList(Connection& c, const Frame& f);
  void HandleOpen(Connection& c, const Frame& f);
  void HandleClose(Connection& c, const Frame& f);
  void HandleRead(Connection& c, const Frame& f);
  void HandleWrite(Connection& c, const Frame& f);
  void HandleIoctl(Connection& c, const Frame& f);
  void HandleAttributes(Connection& c, const Frame& f);
  void HandleCancel(Connection& c, const Frame& f);
  void HandleCommand(Connection& c, const Frame& f);
  void OpenFilter(Connection& c, const Frame& f);
  void FilterControl(Connection& c, const Frame& f, uint32_t session, uint32_t code, const std::vector<uint8_t>& input,
                     uint32_t outputLength);

  // The session a request names, or an error for the reply.
  Session* FindSession(Connection& c, uint32_t id, uint32_t* error);
  bool SharingAllows(const Session& existing, uint32_t access, uint32_t share) const;
  // Tries to finish every pending request; those finished are answered.
  void ServePending();
  // Delivers a report transfer to its device; false while the device is stalled.
  bool Deliver(Pending& p, Reply* reply);
  void FailPendingOf(uint32_t session, uint32_t error);
  void Broadcast(EventKind kind, const SimCollection& collection);
  int PollTimeoutMs() const;

  SimMachine& machine_;
  SimCommands commands_;
  std::string socketPath_;
  int listenFd_ = -1;
  bool running_ = true;
  std::list<std::unique_ptr<Connection>> connections_;
  std::map<uint32_t, Session> sessions_;
  uint32_t nextSession_ = 1;
  std::list<Pending> pending_;
};

}  // namespace kb::sim
