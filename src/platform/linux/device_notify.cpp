// RegisterDeviceNotificationW: the simulated machine's device arrivals and
// removals reach registered windows as WM_DEVICECHANGE, as the Windows PnP
// manager sends them. One thread per process follows the kbsim daemon: it
// subscribes to its events and, whenever the daemon comes or goes, compares
// the present interfaces with those it knew, so a daemon that starts or stops
// looks like hardware plugged in or pulled out.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <cwctype>
#include <mutex>
#include <set>
#include <thread>

#include "platform/linux/kbsim_protocol.h"
#include "platform/linux/win32_kernel.h"
#include "platform/linux/window_object.h"
#include "platform/text.h"

namespace kb::platform {

namespace {

constexpr uint32_t kSubscribeRequest = 1;
constexpr uint32_t kListRequest = 2;
constexpr int kReconnectMs = 300;
constexpr int kFirstContactWaitMs = 2000;
using kb::sim::EventKind;
constexpr EventKind kNoEvent = static_cast<EventKind>(0);

using kb::sim::Frame;
using kb::sim::MsgType;
using kb::sim::WireGuid;
using kb::sim::WireReader;
using kb::sim::WireWriter;

struct Registration {
  HDEVNOTIFY handle = nullptr;
  HWND hwnd = nullptr;
  bool allClasses = false;
  GUID classGuid{};
};

struct Notifier {
  std::mutex lock;
  std::condition_variable firstContact;
  bool contacted = false;
  bool started = false;
  std::vector<Registration> registrations;
  uintptr_t nextHandle = 0x70000000;
  std::set<std::string> known;  // present interface paths, lower case
  std::string socketPath;       // the daemon's, as the latest registration found it
  WireGuid knownClass{};
};

Notifier& N() {
  static auto* notifier = new Notifier;
  return *notifier;
}

const WireGuid kHidClass = {
    {0xb2, 0x55, 0x1e, 0x4d, 0x6f, 0xf1, 0xcf, 0x11, 0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Windows names an interface in upper case, all but the class GUID after the
// last '#'.
std::wstring BroadcastName(const std::string& path) {
  std::wstring name = Utf8ToWide(path);
  size_t guidStart = name.rfind(L"#{");
  size_t end = guidStart == std::wstring::npos ? name.size() : guidStart;
  for (size_t i = 0; i < end; ++i) name[i] = static_cast<wchar_t>(std::towupper(name[i]));
  return name;
}

void Broadcast(bool arrival, const WireGuid& wireClass, const std::string& path) {
  GUID classGuid;
  std::memcpy(&classGuid, wireClass.bytes, sizeof classGuid);
  std::wstring name = BroadcastName(path);
  size_t size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (name.size() + 1) * sizeof(wchar_t);
  std::vector<uint8_t> storage(size, 0);
  auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(storage.data());
  broadcast->dbcc_size = static_cast<DWORD>(size);
  broadcast->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  broadcast->dbcc_classguid = classGuid;
  std::memcpy(broadcast->dbcc_name, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
  std::vector<Registration> targets;
  {
    std::lock_guard<std::mutex> guard(N().lock);
    for (const Registration& r : N().registrations)
      if (r.allClasses || r.classGuid == classGuid) targets.push_back(r);
  }
  std::set<HWND> done;  // one message per window, however many registrations it has
  for (const Registration& r : targets) {
    if (!done.insert(r.hwnd).second) continue;
    SendMessageW(r.hwnd, WM_DEVICECHANGE, arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                 reinterpret_cast<LPARAM>(broadcast));
  }
}

int Connect() {
  std::string path;
  {
    std::lock_guard<std::mutex> guard(N().lock);
    path = N().socketPath;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void MarkContacted() {
  std::lock_guard<std::mutex> guard(N().lock);
  N().contacted = true;
  N().firstContact.notify_all();
}

// Brings the known set to `present`, announcing the differences (or, on the
// first contact, taking them as the starting point).
void Reconcile(const std::set<std::string>& present, const WireGuid& cls, bool announce) {
  std::vector<std::string> gone, come;
  {
    std::lock_guard<std::mutex> guard(N().lock);
    for (const std::string& p : N().known)
      if (!present.count(p)) gone.push_back(p);
    for (const std::string& p : present)
      if (!N().known.count(p)) come.push_back(p);
    N().known = present;
    N().knownClass = cls;
  }
  if (!announce) return;
  for (const std::string& p : gone) Broadcast(false, cls, p);
  for (const std::string& p : come) Broadcast(true, cls, p);
}

void OnEvent(const Frame& frame) {
  WireReader r = frame.Reader();
  auto kind = static_cast<EventKind>(r.U8());
  WireGuid cls = r.Guid();
  std::string path = r.Str();
  if (!r.Ok() || kind == kNoEvent) return;
  std::string key = Lower(path);
  bool changed;
  {
    std::lock_guard<std::mutex> guard(N().lock);
    changed = kind == EventKind::kArrival ? N().known.insert(key).second : N().known.erase(key) > 0;
  }
  if (changed) Broadcast(kind == EventKind::kArrival, cls, path);
}

std::set<std::string> DecodeList(const Frame& frame) {
  std::set<std::string> present;
  kb::sim::Reply reply = kb::sim::DecodeReply(frame);
  if (reply.error) return present;
  WireReader r(reply.data.data(), reply.data.size());
  uint32_t count = r.U32();
  for (uint32_t i = 0; i < count && r.Ok(); ++i) {
    r.Guid();
    uint32_t flags = r.U32();
    std::string path = r.Str();
    if (r.Ok() && flags) present.insert(Lower(path));
  }
  return present;
}

// One connection's life: subscribe, learn what is present, then follow events.
void Follow(int fd, bool firstContact) {
  WireGuid guid = kHidClass;
  bool sent = kb::sim::WriteAll(fd, WireWriter(MsgType::kSubscribe, kSubscribeRequest).Finish()) &&
              kb::sim::WriteAll(fd, WireWriter(MsgType::kListInterfaces, kListRequest).Guid(guid).U8(1).Finish());
  std::vector<uint8_t> buffer;
  uint8_t chunk[4096];
  while (sent) {
    ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) break;
    buffer.insert(buffer.end(), chunk, chunk + n);
    Frame frame;
    int taken;
    while ((taken = kb::sim::TakeFrame(buffer, &frame)) == 1) {
      if (frame.type == MsgType::kEvent) {
        OnEvent(frame);
      } else if (frame.type == MsgType::kReply && frame.id == kListRequest) {
        Reconcile(DecodeList(frame), kHidClass, !firstContact);
        if (firstContact) MarkContacted();
      }
    }
    if (taken < 0) break;
  }
}

void Run() {
  bool firstContact = true;
  for (;;) {
    int fd = Connect();
    if (fd >= 0) {
      Follow(fd, firstContact);
      close(fd);
    }
    if (firstContact) MarkContacted();
    firstContact = false;
    // The daemon is gone: so is its hardware.
    WireGuid cls;
    {
      std::lock_guard<std::mutex> guard(N().lock);
      cls = N().knownClass;
    }
    Reconcile({}, cls, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(kReconnectMs));
  }
}

void StartOnce() {
  std::unique_lock<std::mutex> guard(N().lock);
  if (!N().started) {
    N().started = true;
    N().knownClass = kHidClass;
    std::thread(Run).detach();
  }
  // Changes after the registration returns must all be reported, so the
  // first contact (or the failure to make it) comes first.
  N().firstContact.wait_for(guard, std::chrono::milliseconds(kFirstContactWaitMs), [] { return N().contacted; });
}

}  // namespace

void DeviceNotifyForgetWindow(HWND hwnd) {
  std::lock_guard<std::mutex> guard(N().lock);
  auto& regs = N().registrations;
  regs.erase(std::remove_if(regs.begin(), regs.end(), [hwnd](const Registration& r) { return r.hwnd == hwnd; }),
             regs.end());
}

}  // namespace kb::platform

using namespace kb::platform;

HDEVNOTIFY RegisterDeviceNotificationW(HANDLE recipient, LPVOID filter, DWORD flags) {
  if (flags & DEVICE_NOTIFY_SERVICE_HANDLE) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  auto hwnd = static_cast<HWND>(recipient);
  if (!FindWindowObject(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  auto* header = static_cast<const DEV_BROADCAST_HDR*>(filter);
  if (!header || header->dbch_size < sizeof(DEV_BROADCAST_HDR)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  if (header->dbch_size < offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  auto* deviceFilter = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(filter);
  // Read here, on the caller's thread: the environment is not the
  // notification thread's to read while others may change it.
  std::string socketPath = kb::sim::SocketPath();
  Registration r;
  r.hwnd = hwnd;
  r.allClasses = (flags & DEVICE_NOTIFY_ALL_INTERFACE_CLASSES) != 0;
  r.classGuid = deviceFilter->dbcc_classguid;
  {
    std::lock_guard<std::mutex> guard(N().lock);
    N().socketPath = socketPath;
    r.handle = reinterpret_cast<HDEVNOTIFY>(N().nextHandle);
    N().nextHandle += 4;
    N().registrations.push_back(r);
  }
  StartOnce();
  return r.handle;
}

BOOL UnregisterDeviceNotification(HDEVNOTIFY handle) {
  std::lock_guard<std::mutex> guard(N().lock);
  auto& regs = N().registrations;
  auto it = std::find_if(regs.begin(), regs.end(), [handle](const Registration& r) { return r.handle == handle; });
  if (it == regs.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  regs.erase(it);
  return TRUE;
}
