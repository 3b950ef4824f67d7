#pragma once
// The wire protocol between processes and the kbsim daemon, the simulated
// machine of the Linux build. The daemon includes this header too; it is
// self-contained (no other platform code) for that reason.
//
// A stream socket carries frames: a 32-bit little-endian payload length, then
// the payload: 16-bit message type, 32-bit request id, then the fields of that
// type. Every request is answered by one Reply frame carrying the request's id,
// except Close and Cancel. Replies may come in any order: a read of an input
// report or a filter-driver event request stays pending in the daemon until
// something happens, while later requests are answered at once. The daemon
// also sends Event frames (device arrival and removal) to connections that
// subscribed.
//
// Requests name an open device by the session id the daemon handed out for
// Open. Sessions belong to their connection and end with it, as handles end
// with their process.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <cerrno>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kb::sim {

enum class MsgType : uint16_t {
  kReply = 1,
  kEvent = 2,
  kListInterfaces = 10,  // GUID class filter, u8 presentOnly -> u32 n, n x (GUID, u32 flags, str path)
  kOpen = 11,            // str path, u32 access, u32 share -> info = session id, data = u8 kind, HidCapsWire
  kClose = 12,           // u32 session (no reply)
  kRead = 13,            // u32 session, u32 length -> info = count, data
  kWrite = 14,           // u32 session, bytes -> info = count
  kIoctl = 15,           // u32 session, u32 code, bytes input, u32 output length -> info = count, data
  kGetAttributes = 16,   // u32 session -> data = u16 vendor, u16 product, u16 version
  kCancel = 20,          // u32 request id of a pending request (no reply of its own)
  kSubscribe = 21,       // -> reply; then Event frames
  kCommand = 22,         // u32 argc, argc x str -> error = exit status, data = text
  kReplyPart = 23,       // bytes: a piece of a command's text; the Reply carries the rest
};

enum class EventKind : uint8_t { kArrival = 1, kRemoval = 2 };

// What an opened name is: a HID collection (HidD_* calls work on it) or a
// control device such as the filter driver's.
enum class DeviceKind : uint8_t { kHidCollection = 1, kControlDevice = 2 };

// HID class control codes, as hid.dll sends them for HidD_SetFeature and
// HidD_GetFeature (device type FILE_DEVICE_KEYBOARD, function 100).
inline constexpr uint32_t kIoctlHidSetFeature = 0x000B0191;
inline constexpr uint32_t kIoctlHidGetFeature = 0x000B0192;

// The frame length a peer may send; anything longer is a broken peer.
inline constexpr uint32_t kMaxFrameBytes = 1u << 20;

// Reply fields common to every request: a Win32 error code (0 = success), a
// 32-bit value (byte count or session id) and a byte string.
struct Reply {
  uint32_t error = 0;
  uint32_t info = 0;
  std::vector<uint8_t> data;
};

// Top-level collection capabilities as HidP_GetCaps reports them.
struct HidCapsWire {
  uint16_t usage = 0;
  uint16_t usagePage = 0;
  uint16_t inputLength = 0;
  uint16_t outputLength = 0;
  uint16_t featureLength = 0;
  uint16_t linkCollectionNodes = 1;
  uint16_t inputButtonCaps = 0;
  uint16_t inputValueCaps = 0;
  uint16_t outputButtonCaps = 0;
  uint16_t outputValueCaps = 0;
  uint16_t featureButtonCaps = 0;
  uint16_t featureValueCaps = 0;
};

struct WireGuid {
  uint8_t bytes[16] = {};
};

// Builds a frame.
class WireWriter {
 public:
  WireWriter(MsgType type, uint32_t id) {
    buffer_.resize(4);
    U16(static_cast<uint16_t>(type));
    U32(id);
  }
  WireWriter& U8(uint8_t v) {
    buffer_.push_back(v);
    return *this;
  }
  WireWriter& U16(uint16_t v) {
    for (int i = 0; i < 2; ++i) buffer_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  WireWriter& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) buffer_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  WireWriter& Bytes(const void* data, size_t size) {
    U32(static_cast<uint32_t>(size));
    const uint8_t* p = static_cast<const uint8_t*>(data);
    buffer_.insert(buffer_.end(), p, p + size);
    return *this;
  }
  WireWriter& Bytes(const std::vector<uint8_t>& data) { return Bytes(data.data(), data.size()); }
  WireWriter& Str(const std::string& text) { return Bytes(text.data(), text.size()); }
  WireWriter& Guid(const WireGuid& guid) {
    buffer_.insert(buffer_.end(), guid.bytes, guid.bytes + 16);
    return *this;
  }
  // The finished frame, its length prefix filled in.
  std::vector<uint8_t> Finish() {
    uint32_t payload = static_cast<uint32_t>(buffer_.size() - 4);
    for (int i = 0; i < 4; ++i) buffer_[i] = static_cast<uint8_t>(payload >> (8 * i));
    return std::move(buffer_);
  }

 private:
  std::vector<uint8_t> buffer_;
};

// Reads the fields of one frame's payload. A short or malformed payload sets
// the reader failed; every later read then yields zeros.
class WireReader {
 public:
  WireReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Ok() const { return ok_; }
  uint8_t U8() {
    uint8_t v = 0;
    if (Need(1)) v = data_[pos_++];
    return v;
  }
  uint16_t U16() {
    uint16_t v = 0;
    if (Need(2)) {
      v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
      pos_ += 2;
    }
    return v;
  }
  uint32_t U32() {
    uint32_t v = 0;
    if (Need(4)) {
      for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(data_[pos_ + i]) << (8 * i);
      pos_ += 4;
    }
    return v;
  }
  std::vector<uint8_t> Bytes() {
    uint32_t n = U32();
    std::vector<uint8_t> out;
    if (Need(n)) {
      out.assign(data_ + pos_, data_ + pos_ + n);
      pos_ += n;
    }
    return out;
  }
  std::string Str() {
    std::vector<uint8_t> raw = Bytes();
    return std::string(raw.begin(), raw.end());
  }
  WireGuid Guid() {
    WireGuid guid;
    if (Need(16)) {
      std::memcpy(guid.bytes, data_ + pos_, 16);
      pos_ += 16;
    }
    return guid;
  }

 private:
  bool Need(size_t n) {
    if (!ok_ || size_ - pos_ < n) ok_ = false;
    return ok_;
  }
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// One received frame.
struct Frame {
  MsgType type = MsgType::kReply;
  uint32_t id = 0;
  std::vector<uint8_t> body;  // the fields after type and id
  WireReader Reader() const { return WireReader(body.data(), body.size()); }
};

// Takes the first complete frame out of `buffer`. Returns 1 when a frame was
// taken, 0 when more bytes are needed, -1 when the stream is broken.
inline int TakeFrame(std::vector<uint8_t>& buffer, Frame* out) {
  if (buffer.size() < 4) return 0;
  uint32_t length = 0;
  for (int i = 0; i < 4; ++i) length |= static_cast<uint32_t>(buffer[i]) << (8 * i);
  if (length < 6 || length > kMaxFrameBytes) return -1;
  if (buffer.size() < 4 + static_cast<size_t>(length)) return 0;
  WireReader header(buffer.data() + 4, 6);
  out->type = static_cast<MsgType>(header.U16());
  out->id = header.U32();
  out->body.assign(buffer.begin() + 10, buffer.begin() + 4 + length);
  buffer.erase(buffer.begin(), buffer.begin() + 4 + length);
  return 1;
}

inline std::vector<uint8_t> EncodeReply(uint32_t id, const Reply& reply) {
  return WireWriter(MsgType::kReply, id).U32(reply.error).U32(reply.info).Bytes(reply.data).Finish();
}

inline Reply DecodeReply(const Frame& frame) {
  WireReader reader = frame.Reader();
  Reply reply;
  reply.error = reader.U32();
  reply.info = reader.U32();
  reply.data = reader.Bytes();
  return reply;
}

inline void PutCaps(WireWriter& w, const HidCapsWire& c) {
  w.U16(c.usage).U16(c.usagePage).U16(c.inputLength).U16(c.outputLength).U16(c.featureLength);
  w.U16(c.linkCollectionNodes).U16(c.inputButtonCaps).U16(c.inputValueCaps).U16(c.outputButtonCaps);
  w.U16(c.outputValueCaps).U16(c.featureButtonCaps).U16(c.featureValueCaps);
}

inline HidCapsWire GetCaps(WireReader& r) {
  HidCapsWire c;
  c.usage = r.U16();
  c.usagePage = r.U16();
  c.inputLength = r.U16();
  c.outputLength = r.U16();
  c.featureLength = r.U16();
  c.linkCollectionNodes = r.U16();
  c.inputButtonCaps = r.U16();
  c.inputValueCaps = r.U16();
  c.outputButtonCaps = r.U16();
  c.outputValueCaps = r.U16();
  c.featureButtonCaps = r.U16();
  c.featureValueCaps = r.U16();
  return c;
}

// Writes all of `data`, retrying short writes. False when the peer is gone.
inline bool WriteAll(int fd, const std::vector<uint8_t>& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// A command's text (`kbsim log` of a long run) may be longer than a frame:
// the daemon sends it in ReplyPart frames of at most this many bytes, then
// the Reply with the last piece and the status.
inline constexpr size_t kReplyPartBytes = 256 * 1024;

// The frames that answer command `id` with `status` and `text`.
inline std::vector<std::vector<uint8_t>> EncodeCommandReply(uint32_t id, uint32_t status, const std::string& text) {
  std::vector<std::vector<uint8_t>> frames;
  size_t at = 0;
  for (; text.size() - at > kReplyPartBytes; at += kReplyPartBytes)
    frames.push_back(WireWriter(MsgType::kReplyPart, id).Bytes(text.data() + at, kReplyPartBytes).Finish());
  Reply last{status, 0, std::vector<uint8_t>(text.begin() + static_cast<std::ptrdiff_t>(at), text.end())};
  frames.push_back(EncodeReply(id, last));
  return frames;
}

// Sends command `args` as request 1 on the connected socket `fd` and collects
// its answer. False with the reason in `why` when the daemon closed the
// connection, broke the stream or the socket failed.
inline bool RunCommand(int fd, const std::vector<std::string>& args, Reply* reply, std::string* why) {
  WireWriter request(MsgType::kCommand, 1);
  request.U32(static_cast<uint32_t>(args.size()));
  for (const std::string& a : args) request.Str(a);
  if (!WriteAll(fd, request.Finish())) {
    *why = std::string("cannot send the command: ") + std::strerror(errno);
    return false;
  }
  std::vector<uint8_t> input;
  std::vector<uint8_t> text;
  Frame frame;
  for (;;) {
    int taken = TakeFrame(input, &frame);
    if (taken < 0) {
      *why = "the daemon sent a malformed or oversized frame";
      return false;
    }
    if (taken > 0) {
      if (frame.id != 1) continue;
      if (frame.type == MsgType::kReplyPart) {
        WireReader part = frame.Reader();
        std::vector<uint8_t> piece = part.Bytes();
        text.insert(text.end(), piece.begin(), piece.end());
        continue;
      }
      if (frame.type != MsgType::kReply) continue;
      *reply = DecodeReply(frame);
      text.insert(text.end(), reply->data.begin(), reply->data.end());
      reply->data = std::move(text);
      return true;
    }
    uint8_t buffer[65536];
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *why = n == 0 ? "the daemon closed the connection before answering"
                    : std::string("cannot read the answer: ") + std::strerror(errno);
      return false;
    }
    input.insert(input.end(), buffer, buffer + n);
  }
}

// The folder of the default socket, one per user: only that user may open it,
// so nobody else can reach the simulated machine (and type through its
// virtual keyboard) or plant a socket of their own there.
inline std::string DefaultSocketFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/kbsim";
  return "/tmp/kbsim-" + std::to_string(::getuid());
}

// The daemon's socket: KBSIM_SOCKET, else "kbsim.sock" in the default folder.
inline std::string SocketPath() {
  const char* explicitPath = std::getenv("KBSIM_SOCKET");
  if (explicitPath && *explicitPath) return explicitPath;
  return DefaultSocketFolder() + "/kbsim.sock";
}

// Makes the default folder (mode 0700) or checks the one there: a folder,
// owned by this user, closed to everyone else. False with the reason in
// `why` otherwise; a folder another user made is never used.
inline bool PreparePrivateFolder(const std::string& folder, std::string* why) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    *why = folder + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    *why = folder + " is not a folder";
    return false;
  }
  if (st.st_uid != ::getuid()) {
    *why = folder + " belongs to another user";
    return false;
  }
  if ((st.st_mode & 0077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
    *why = folder + " is open to other users and cannot be closed: " + std::strerror(errno);
    return false;
  }
  return true;
}

// A socket another user made may be a daemon of theirs, answering with
// devices and keys they choose: clients only talk to their own user's.
inline bool SocketOwnedByUs(const std::string& path, std::string* why) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return true;  // connect says what is wrong
  if (st.st_uid == ::getuid()) return true;
  *why = path + " belongs to another user";
  return false;
}

}  // namespace kb::sim
