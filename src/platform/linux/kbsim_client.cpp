#include "platform/linux/kbsim_client.h"

#include <cstdio>

#include <condition_variable>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "platform/linux/thread_priority.h"

namespace kb::platform {

KbsimClient& KbsimClient::Instance() {
  // Never destroyed: the reader thread may still run while the process exits.
  static KbsimClient* client = new KbsimClient();
  return *client;
}

uint32_t KbsimClient::NewRequestId() {
  std::lock_guard<std::mutex> lock(mutex_);
  uint32_t id = nextId_++;
  if (nextId_ == 0) nextId_ = 1;
  return id;
}

int KbsimClient::ConnectLocked() {
  if (fd_ >= 0) return fd_;
  std::string path = sim::SocketPath();
  std::string why;
  if (!sim::SocketOwnedByUs(path, &why)) {
    // Reported once per attempt; the program then sees no devices at all.
    std::fprintf(stderr, "kbsim: refusing to connect: %s\n", why.c_str());
    return -1;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) return -1;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  fd_ = fd;
  ++generation_;
  std::thread(&KbsimClient::ReaderLoop, this, fd, generation_).detach();
  if (!handlers_.empty()) SendSubscribeLocked(fd);
  return fd;
}

bool KbsimClient::SendLocked(int fd, const std::vector<uint8_t>& frame) {
  std::lock_guard<std::mutex> send(sendMutex_);
  if (sim::WriteAll(fd, frame)) return true;
  DropLocked(fd);
  return false;
}

void KbsimClient::DropLocked(int fd) {
  // Only the reader thread closes the descriptor, so it cannot be reused
  // under another request's feet.
  ::shutdown(fd, SHUT_RDWR);
  if (fd_ == fd) fd_ = -1;
}

void KbsimClient::SendSubscribeLocked(int fd) {
  uint32_t id = nextId_++;
  pending_[id] = {generation_, [](const sim::Reply&) {}};
  SendLocked(fd, sim::WireWriter(sim::MsgType::kSubscribe, id).Finish());
}

bool KbsimClient::Start(sim::MsgType type, uint32_t id, const Fill& fill, Completion done, uint64_t generation,
                        uint64_t* usedGeneration) {
  sim::WireWriter writer(type, id);
  if (fill) fill(writer);
  std::vector<uint8_t> frame = writer.Finish();
  std::lock_guard<std::mutex> lock(mutex_);
  if (generation != 0 && (fd_ < 0 || generation != generation_)) return false;
  // A daemon that was restarted leaves a dead connection behind; a request
  // free to use any connection tries a new one once.
  for (int attempt = 0; attempt < 2; ++attempt) {
    int fd = ConnectLocked();
    if (fd < 0) return false;
    pending_[id] = {generation_, done};
    if (usedGeneration) *usedGeneration = generation_;
    if (SendLocked(fd, frame)) return true;
    pending_.erase(id);
    if (generation != 0) return false;
  }
  return false;
}

bool KbsimClient::Call(sim::MsgType type, const Fill& fill, sim::Reply* reply, uint64_t* generation,
                       uint64_t requiredGeneration) {
  struct Waiting {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    sim::Reply reply;
  };
  auto waiting = std::make_shared<Waiting>();
  uint32_t id = NewRequestId();
  bool sent = Start(type, id, fill, [waiting](const sim::Reply& r) {
    std::lock_guard<std::mutex> lock(waiting->mutex);
    waiting->reply = r;
    waiting->done = true;
    waiting->cv.notify_all();
  }, requiredGeneration, generation);
  if (!sent) return false;
  std::unique_lock<std::mutex> lock(waiting->mutex);
  waiting->cv.wait(lock, [&] { return waiting->done; });
  *reply = waiting->reply;
  return true;
}

void KbsimClient::Post(sim::MsgType type, const Fill& fill, uint64_t generation) {
  sim::WireWriter writer(type, 0);
  if (fill) fill(writer);
  std::vector<uint8_t> frame = writer.Finish();
  std::lock_guard<std::mutex> lock(mutex_);
  if (fd_ < 0 || generation != generation_) return;
  SendLocked(fd_, frame);
}

int KbsimClient::Subscribe(EventHandler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  int token = nextToken_++;
  bool first = handlers_.empty();
  handlers_[token] = std::move(handler);
  if (fd_ >= 0 && first) {
    SendSubscribeLocked(fd_);
  } else if (fd_ < 0) {
    ConnectLocked();  // subscribes when it connects
  }
  return token;
}

void KbsimClient::Unsubscribe(int token) {
  std::lock_guard<std::mutex> lock(mutex_);
  handlers_.erase(token);
}

void KbsimClient::ReaderLoop(int fd, uint64_t generation) {
  // This thread completes the device I/O that the Windows kernel completes
  // for the real driver, at once; raised where the system allows it, so a
  // busy machine delays key events here no more than the threads waiting.
  RaiseThreadTimeCritical(gettid());
  std::vector<uint8_t> input;
  uint8_t buffer[65536];
  for (;;) {
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    input.insert(input.end(), buffer, buffer + n);
    sim::Frame frame;
    int taken = 0;
    while ((taken = sim::TakeFrame(input, &frame)) > 0) {
      if (frame.type == sim::MsgType::kEvent) {
        sim::WireReader r = frame.Reader();
        auto kind = static_cast<sim::EventKind>(r.U8());
        sim::WireGuid guid = r.Guid();
        std::string path = r.Str();
        std::map<int, EventHandler> handlers;
        {
          std::lock_guard<std::mutex> lock(mutex_);
          handlers = handlers_;
        }
        for (auto& [token, handler] : handlers) handler(kind, guid, path);
        continue;
      }
      Completion done;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = pending_.find(frame.id);
        if (it == pending_.end()) continue;
        done = std::move(it->second.done);
        pending_.erase(it);
      }
      if (done) done(sim::DecodeReply(frame));
    }
    if (taken < 0) break;
  }
  std::vector<Completion> lost;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ == fd) fd_ = -1;
    for (auto it = pending_.begin(); it != pending_.end();) {
      if (it->second.generation == generation) {
        lost.push_back(std::move(it->second.done));
        it = pending_.erase(it);
      } else {
        ++it;
      }
    }
  }
  ::close(fd);
  sim::Reply failure;
  failure.error = kLostError;
  for (auto& done : lost)
    if (done) done(failure);
}

}  // namespace kb::platform
