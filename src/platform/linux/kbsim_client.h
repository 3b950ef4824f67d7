#pragma once
// The process's connection to the kbsim daemon. One connection serves every
// device handle of the process; a reader thread hands each reply to the
// request that is waiting for it, so a read may stay pending while other
// requests come and go. Device sessions belong to one connection: when it is
// lost (the daemon stopped), its sessions are gone, as a device's handles are
// useless after the device left.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/linux/kbsim_protocol.h"

namespace kb::platform {

class KbsimClient {
 public:
  using Completion = std::function<void(const sim::Reply&)>;
  using Fill = std::function<void(sim::WireWriter&)>;
  using EventHandler = std::function<void(sim::EventKind kind, const sim::WireGuid& interfaceClass, const std::string& path)>;

  // Error given to requests whose connection was lost.
  static constexpr uint32_t kLostError = 1167;  // ERROR_DEVICE_NOT_CONNECTED

  static KbsimClient& Instance();

  uint32_t NewRequestId();
  // Sends request `id`; `done` runs later on the reader thread with the reply
  // (or kLostError when the connection is lost first). With a nonzero
  // `generation` only that connection is used; 0 connects when needed.
  // Returns false, without calling `done`, when nothing could be sent.
  bool Start(sim::MsgType type, uint32_t id, const Fill& fill, Completion done, uint64_t generation,
             uint64_t* usedGeneration = nullptr);
  // Sends a request and waits for its reply; false when nothing could be sent.
  bool Call(sim::MsgType type, const Fill& fill, sim::Reply* reply, uint64_t* generation = nullptr,
            uint64_t requiredGeneration = 0);
  // Sends a request that has no reply (Close, Cancel) on connection `generation`.
  void Post(sim::MsgType type, const Fill& fill, uint64_t generation);

  // Device arrival and removal, called on the reader thread. The subscription
  // is renewed whenever the connection is made again.
  int Subscribe(EventHandler handler);
  void Unsubscribe(int token);

 private:
  KbsimClient() = default;
  // Connects when there is no connection; returns the connection's fd or -1.
  int ConnectLocked();
  bool SendLocked(int fd, const std::vector<uint8_t>& frame);
  // Forgets a connection whose peer is gone; its reader fails what is pending.
  void DropLocked(int fd);
  void ReaderLoop(int fd, uint64_t generation);
  void SendSubscribeLocked(int fd);

  std::mutex mutex_;
  std::mutex sendMutex_;
  int fd_ = -1;
  uint64_t generation_ = 0;
  uint32_t nextId_ = 1;
  struct PendingRequest {
    uint64_t generation;
    Completion done;
  };
  std::unordered_map<uint32_t, PendingRequest> pending_;
  std::map<int, EventHandler> handlers_;
  int nextToken_ = 1;
};

}  // namespace kb::platform
