#include "sim/SimServer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/linux/thread_priority.h"
#include "sim/SimErrors.h"

namespace kb::sim {

namespace {

// Access and share bits as CreateFileW takes them.
constexpr uint32_t kGenericRead = 0x80000000u;
constexpr uint32_t kGenericWrite = 0x40000000u;
constexpr uint32_t kGenericAll = 0x10000000u;
constexpr uint32_t kFileReadData = 0x0001u;
constexpr uint32_t kFileWriteData = 0x0002u;
constexpr uint32_t kShareRead = 0x1u;
constexpr uint32_t kShareWrite = 0x2u;

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

bool WantsRead(uint32_t access) { return access & (kGenericRead | kGenericAll | kFileReadData); }
bool WantsWrite(uint32_t access) { return access & (kGenericWrite | kGenericAll | kFileWriteData); }

// A client that stops reading must not stall the whole machine.
constexpr int kSendTimeoutSeconds = 2;
constexpr uint32_t kMaxReadLength = 65536;
}  // namespace

SimServer::SimServer(SimMachine& machine, std::string socketPath)
    : machine_(machine), commands_(machine), socketPath_(std::move(socketPath)) {
  machine_.SetListener(this);
}

SimServer::~SimServer() {
  machine_.SetListener(nullptr);
  for (auto& c : connections_)
    if (c->fd >= 0) ::close(c->fd);
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    ::unlink(socketPath_.c_str());
  }
}

bool SimServer::Listen() {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath_.size() >= sizeof(address.sun_path)) {
    std::fprintf(stderr, "kbsim: socket path too long: %s\n", socketPath_.c_str());
    return false;
  }
  std::strcpy(address.sun_path, socketPath_.c_str());
  // A socket file left by a daemon that died is taken over; a live one is not.
  int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (probe >= 0) {
    bool alive = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    if (alive) {
      std::fprintf(stderr, "kbsim: a daemon is already running at %s\n", socketPath_.c_str());
      return false;
    }
  }
  ::unlink(socketPath_.c_str());
  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listenFd_, 64) != 0) {
    std::fprintf(stderr, "kbsim: cannot listen at %s: %s\n", socketPath_.c_str(), std::strerror(errno));
    return false;
  }
  // Whatever folder it is in, only this user may connect.
  ::chmod(socketPath_.c_str(), 0600);
  return true;
}

int SimServer::PollTimeoutMs() const {
  int64_t next = machine_.NextTimerUs();
  for (const Pending& p : pending_)
    if (p.deadlineUs && (next == 0 || p.deadlineUs < next)) next = p.deadlineUs;
  if (next == 0) return -1;
  int64_t wait = (next - SimLog::NowUs() + 999) / 1000;
  return static_cast<int>(std::clamp<int64_t>(wait, 0, 60000));
}

void SimServer::Run() {
  // The simulated machine stands in for hardware and the kernel, which a busy
  // desktop does not delay: its loop is raised where the system allows it,
  // else it keeps its scheduling.
  platform::RaiseThreadTimeCritical(gettid());
  while (running_) {
    std::vector<pollfd> fds;
    fds.push_back({listenFd_, POLLIN, 0});
    std::vector<Connection*> order;
    for (auto& c : connections_) {
      fds.push_back({c->fd, POLLIN, 0});
      order.push_back(c.get());
    }
    int ready = ::poll(fds.data(), fds.size(), PollTimeoutMs());
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0) {
      if (fds[0].revents & POLLIN) Accept();
      for (size_t i = 0; i < order.size(); ++i)
        if (fds[i + 1].revents & (POLLIN | POLLHUP | POLLERR)) ReadFrom(*order[i]);
    }
    machine_.RunTimers(SimLog::NowUs());
    ServePending();
    for (auto it = connections_.begin(); it != connections_.end();) {
      if ((*it)->closed) {
        DropConnection(**it);
        it = connections_.erase(it);
      } else {
        ++it;
      }
    }
  }
}

void SimServer::Accept() {
  int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  timeval timeout{kSendTimeoutSeconds, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  auto connection = std::make_unique<Connection>();
  connection->fd = fd;
  connections_.push_back(std::move(connection));
}

void SimServer::ReadFrom(Connection& connection) {
  if (connection.closed) return;
  uint8_t buffer[65536];
  ssize_t n = ::recv(connection.fd, buffer, sizeof buffer, 0);
  if (n <= 0) {
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    connection.closed = true;
    return;
  }
  connection.input.insert(connection.input.end(), buffer, buffer + n);
  Frame frame;
  for (;;) {
    int taken = TakeFrame(connection.input, &frame);
    if (taken < 0) connection.closed = true;
    if (taken <= 0 || connection.closed) return;
    Dispatch(connection, frame);
  }
}

// Everything the connection opened closes with it, as a process's handles do.
void SimServer::DropConnection(Connection& connection) {
  pending_.remove_if([&](const Pending& p) { return p.connection == &connection; });
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    if (it->second.connection == &connection) {
      if (it->second.filter) machine_.Filter().Closed();
      it = sessions_.erase(it);
    }
    else
      ++it;
  }
  machine_.Filter().OwnerGone(reinterpret_cast<uintptr_t>(&connection));
  if (connection.fd >= 0) ::close(connection.fd);
  connection.fd = -1;
}

void SimServer::Send(Connection& connection, const std::vector<uint8_t>& frame) {
  if (connection.closed) return;
  if (!WriteAll(connection.fd, frame)) connection.closed = true;
}

void SimServer::ReplyTo(Connection& connection, uint32_t id, const Reply& reply) {
  Send(connection, EncodeReply(id, reply));
}

void SimServer::Dispatch(Connection& c, const Frame& f) {
  switch (f.type) {
    case MsgType::kListInterfaces: return HandleList(c, f);
    case MsgType::kOpen: return HandleOpen(c, f);
    case MsgType::kClose: return HandleClose(c, f);
    case MsgType::kRead: return HandleRead(c, f);
    case MsgType::kWrite: return HandleWrite(c, f);
    case MsgType::kIoctl: return HandleIoctl(c, f);
    case MsgType::kGetAttributes: return HandleAttributes(c, f);
    case MsgType::kCancel: return HandleCancel(c, f);
    case MsgType::kSubscribe:
      c.subscribed = true;
      return ReplyTo(c, f.id, {});
    case MsgType::kCommand: return HandleCommand(c, f);
    default: return ReplyTo(c, f.id, {kErrorInvalidFunction, 0, {}});
  }
}

void SimServer::HandleList(Connection& c, const Frame& f) {
  WireReader r = f.Reader();
  WireGuid guid = r.Guid();
  bool presentOnly = r.U8() != 0;
  Reply reply;
  WireWriter list(MsgType::kReply, 0);  // used only to encode the list
  std::vector<SimInterface> interfaces;
  if (std::memcmp(guid.bytes, kHidInterfaceGuid.bytes, 16) == 0) interfaces = machine_.Interfaces(presentOnly);
  std::vector<uint8_t> encoded = list.U32(static_cast<uint32_t>(interfaces.size())).Finish();
  for (const SimInterface& i : interfaces) {
    WireWriter item(MsgType::kReply, 0);
    item.Guid(kHidInterfaceGuid).U32(i.present ? 1 : 0).Str(i.path);
    std::vector<uint8_t> bytes = item.Finish();
    encoded.insert(encoded.end(), bytes.begin() + 10, bytes.end());
  }
  reply.data.assign(encoded.begin() + 10, encoded.end());
  ReplyTo(c, f.id, reply);
}

bool SimServer::SharingAllows(const Session& existing, uint32_t access, uint32_t share) const {
  if (WantsRead(access) && !(existing.share & kShareRead)) return false;
  if (WantsWrite(access) && !(existing.share & kShareWrite)) return false;
  if (WantsRead(existing.access) && !(share & kShareRead)) return false;
  if (WantsWrite(existing.access) && !(share & kShareWrite)) return false;
  return true;
}

void SimServer::HandleOpen(Connection& c, const Frame& f) {
  WireReader r = f.Reader();
  std::string path = r.Str();
  uint32_t access = r.U32();
  uint32_t share = r.U32();
  if (!r.Ok()) return ReplyTo(c, f.id, {kErrorInvalidParameter, 0, {}});
  if (SameText(path, kFilterDeviceName)) return OpenFilter(c, f);
  std::optional<SimLocation> where = machine_.Locate(path);
  if (!where) return ReplyTo(c, f.id, {kErrorFileNotFound, 0, {}});
  const SimCollection& collection = where->device->Collections()[where->collection];
  if (collection.systemExclusive && (WantsRead(access) || WantsWrite(access)))
    return ReplyTo(c, f.id, {kErrorAccessDenied, 0, {}});
  for (const auto& [id, s] : sessions_) {
    if (s.dead || s.device != where->device || s.collection != where->collection) continue;
    if (!SharingAllows(s, access, share)) return ReplyTo(c, f.id, {kErrorSharingViolation, 0, {}});
  }
  uint32_t id = nextSession_++;
  sessions_[id] = Session{&c, where->device, where->collection, access, share, false};
  WireWriter data(MsgType::kReply, 0);
  data.U8(static_cast<uint8_t>(DeviceKind::kHidCollection));
  PutCaps(data, collection.caps);
  std::vector<uint8_t> encoded = data.Finish();
  ReplyTo(c, f.id, {0, id, std::vector<uint8_t>(encoded.begin() + 10, encoded.end())});
}

void SimServer::OpenFilter(Connection& c, const Frame& f) {
  WireReader r = f.Reader();
  r.Str();
  uint32_t access = r.U32();
  uint32_t share = r.U32();
  uint32_t id = nextSession_++;
  Session session{&c, nullptr, 0, access, share, false};
  session.filter = true;
  sessions_[id] = session;
  machine_.Filter().Opened(reinterpret_cast<uintptr_t>(&c));
  WireWriter data(MsgType::kReply, 0);
  data.U8(static_cast<uint8_t>(DeviceKind::kControlDevice));
  PutCaps(data, HidCapsWire{});
  std::vector<uint8_t> encoded = data.Finish();
  ReplyTo(c, f.id, {0, id, std::vector<uint8_t>(encoded.begin() + 10, encoded.end())});
}

void SimServer::FilterControl(Connection& c, const Frame& f, uint32_t session, uint32_t code,
                              const std::vector<uint8_t>& input, uint32_t outputLength) {
  bool pend = false;
  Reply reply = machine_.Filter().Control(code, input, outputLength, &pend);
  if (!pend) return ReplyTo(c, f.id, reply);
  pending_.push_back({&c, f.id, PendingKind::kFilterEvent, session, {}, outputLength, 0});
}

void SimServer::HandleClose(Connection& c, const Frame& f) {
  uint32_t id = f.Reader().U32();
  auto it = sessions_.find(id);
  if (it == sessions_.end() || it->second.connection != &c) return;
  FailPendingOf(id, kErrorOperationAborted);
  if (it->second.filter) machine_.Filter().Closed();
  sessions_.erase(it);
}

SimServer::Session* SimServer::FindSession(Connection& c, uint32_t id, uint32_t* error) {
  auto it = sessions_.find(id);
  if (it == sessions_.end() || it->second.connection != &c) {
    *error = kErrorInvalidHandle;
    return nullptr;
  }
  if (it->second.dead) {
    *error = kErrorDeviceNotConnected;
    return nullptr;
  }
  return &it->second;
}

void SimServer::HandleRead(Connection& c, const Frame& f) {
  WireReader r = f.Reader();
  uint32_t id = r.U32();
  uint32_t length = r.U32();
  uint32_t error = 0;
  Session* s = FindSession(c, id, &error);
  if (!s) return ReplyTo(c, f.id, {error, 0, {}});
  if (s->filter) return ReplyTo(c, f.id, {kErrorInvalidFunction, 0, {}});
  if (!WantsRead(s->access)) return ReplyTo(c, f.id, {kErrorAccessDenied, 0, {}});
  if (length > kMaxReadLength) return ReplyTo(c, f.id, {kErrorInvalidParameter, 0, {}});
  error = s->device->CheckReadLength(s->collection, length);
  if (error) return ReplyTo(c, f.id, {error, 0, {}});
  pending_.push_back({&c, f.id, PendingKind::kRead, id, {}, length, 0});
}

void SimServer::HandleWrite(Connection& c, const Frame& f) {
  WireReader r = f.Reader();
  uint32_t id = r.U32();
  std::vector<uint8_t> data = r.Bytes();
  uint32_t error = 0;
  Session* s = FindSession(c, id, &error);
  if (!s) return ReplyTo(c, f.id, {error, 0, {}});
  if (s->filter) return ReplyTo(c, f.id, {kErrorInvalidFunction, 0, {}});
  if (!WantsWrite(s->access)) return ReplyTo(c, f.id, {kErrorAccessDenied, 0, {}});
  pending_.push_back({&c, f.id, PendingKind::kWrite, id, std::move(data), 0, 0});
}

void SimServer::HandleIoctl(Connection& c, const Frame& f) {
  WireReader r = f.Reader();
  uint32_t id = r.U32();
  uint32_t code = r.U32();
  std::vector<uint8_t> input = r.Bytes();
  uint32_t outputLength = r.U32();
  uint32_t error = 0;
  Session* s = FindSession(c, id, &error);
  if (!s) return ReplyTo(c, f.id, {error, 0, {}});
  if (s->filter) return FilterControl(c, f, id, code, input, outputLength);
  PendingKind kind;
  if (code == kIoctlHidSetFeature)
    kind = PendingKind::kSetFeature;
  else if (code == kIoctlHidGetFeature)
    kind = PendingKind::kGetFeature;
  else
    return ReplyTo(c, f.id, {kErrorInvalidFunction, 0, {}});
  pending_.push_back({&c, f.id, kind, id, std::move(input), outputLength, SimLog::NowUs() + kStalledControlTimeoutUs});
}

void SimServer::HandleAttributes(Connection& c, const Frame& f) {
  uint32_t error = 0;
  Session* s = FindSession(c, f.Reader().U32(), &error);
  if (!s) return ReplyTo(c, f.id, {error, 0, {}});
  if (s->filter) return ReplyTo(c, f.id, {kErrorInvalidFunction, 0, {}});
  WireWriter data(MsgType::kReply, 0);
  data.U16(s->device->VendorId()).U16(s->device->ProductId()).U16(s->device->Version());
  std::vector<uint8_t> encoded = data.Finish();
  ReplyTo(c, f.id, {0, 0, std::vector<uint8_t>(encoded.begin() + 10, encoded.end())});
}

void SimServer::HandleCancel(Connection& c, const Frame& f) {
  uint32_t requestId = f.Reader().U32();
  for (auto it = pending_.begin(); it != pending_.end(); ++it) {
    if (it->connection != &c || it->requestId != requestId) continue;
    auto s = sessions_.find(it->session);
    if (it->kind != PendingKind::kRead && it->kind != PendingKind::kFilterEvent && s != sessions_.end())
      s->second.device->LogLine(static_cast<int>(s->second.collection), "cancelled", it->data, "never delivered");
    ReplyTo(c, requestId, {kErrorOperationAborted, 0, {}});
    pending_.erase(it);
    return;
  }
}

void SimServer::HandleCommand(Connection& c, const Frame& f) {
  WireReader r = f.Reader();
  uint32_t argc = r.U32();
  std::vector<std::string> args;
  for (uint32_t i = 0; i < argc && r.Ok(); ++i) args.push_back(r.Str());
  CommandResult result;
  if (!args.empty() && args[0] == "shutdown") {
    running_ = false;
  } else {
    result = commands_.Run(args);
  }
  for (const std::vector<uint8_t>& frame : EncodeCommandReply(f.id, static_cast<uint32_t>(result.status), result.text))
    Send(c, frame);
}

bool SimServer::Deliver(Pending& p, Reply* reply) {
  if (p.kind == PendingKind::kFilterEvent) return machine_.Filter().TakeEvent(p.length, reply);
  Session& s = sessions_.at(p.session);
  SimHidDevice& device = *s.device;
  if (p.kind == PendingKind::kRead) {
    auto& queue = device.Collections()[s.collection].inputReports;
    if (queue.empty()) return false;
    reply->data = queue.front();
    reply->info = static_cast<uint32_t>(reply->data.size());
    queue.pop_front();
    return true;
  }
  if (device.Stalled()) return false;
  if (device.TakeDrop()) {
    device.LogLine(static_cast<int>(s.collection), "dropped", p.data, "the device left during this transfer");
    reply->error = kErrorDeviceNotConnected;
    machine_.Unplug(device);
    return true;
  }
  ReportResult result;
  if (p.kind == PendingKind::kWrite)
    result = device.Output(s.collection, p.data);
  else if (p.kind == PendingKind::kSetFeature)
    result = device.SetFeature(s.collection, p.data);
  else
    result = device.GetFeature(s.collection, p.data);
  reply->error = result.error;
  if (!result.error) {
    if (p.kind == PendingKind::kGetFeature) {
      reply->data = result.reply;
      if (reply->data.size() > p.length) reply->data.resize(p.length);
      reply->info = static_cast<uint32_t>(reply->data.size());
    } else {
      reply->info = static_cast<uint32_t>(p.data.size());
    }
  }
  return true;
}

void SimServer::ServePending() {
  bool progress = true;
  while (progress) {
    progress = false;
    int64_t now = SimLog::NowUs();
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
      Pending p = *it;
      Reply reply;
      bool done = Deliver(p, &reply);
      if (!done && p.deadlineUs && now >= p.deadlineUs) {
        reply.error = kErrorSemTimeout;
        done = true;
      }
      if (!done) continue;
      // Delivering may have made the device leave, which answers and drops
      // pending requests; start over on the list as it is now.
      auto again = std::find_if(pending_.begin(), pending_.end(), [&](const Pending& q) {
        return q.connection == p.connection && q.requestId == p.requestId;
      });
      if (again != pending_.end()) {
        pending_.erase(again);
        ReplyTo(*p.connection, p.requestId, reply);
      }
      auto s = sessions_.find(p.session);
      if (s != sessions_.end() && s->second.device) machine_.AfterReport(*s->second.device, now);
      progress = true;
      break;
    }
  }
}

void SimServer::FailPendingOf(uint32_t session, uint32_t error) {
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (it->session == session) {
      ReplyTo(*it->connection, it->requestId, {error, 0, {}});
      it = pending_.erase(it);
    } else {
      ++it;
    }
  }
}

void SimServer::Broadcast(EventKind kind, const SimCollection& collection) {
  for (auto& c : connections_) {
    if (!c->subscribed || c->closed) continue;
    WireWriter event(MsgType::kEvent, 0);
    event.U8(static_cast<uint8_t>(kind)).Guid(kHidInterfaceGuid).Str(collection.path);
    Send(*c, event.Finish());
  }
}

void SimServer::OnArrival(SimHidDevice& device, size_t collection) {
  Broadcast(EventKind::kArrival, device.Collections()[collection]);
}

void SimServer::OnRemoval(SimHidDevice& device, size_t collection) {
  for (auto& [id, s] : sessions_) {
    if (s.device != &device || s.collection != collection || s.dead) continue;
    s.dead = true;
    FailPendingOf(id, kErrorDeviceNotConnected);
  }
  Broadcast(EventKind::kRemoval, device.Collections()[collection]);
}

}  // namespace kb::sim
