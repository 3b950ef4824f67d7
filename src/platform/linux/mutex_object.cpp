#include "platform/linux/mutex_object.h"

#include <map>
#include <string>

#include "platform/linux/thread_object.h"
#include "platform/linux/win32_kernel.h"

namespace kb::platform {

MutexObject::~MutexObject() = default;

bool MutexObject::TryAcquire(DWORD tid, bool* abandoned) {
  if (owner_ == tid) {
    ++count_;
    return true;
  }
  if (owner_ != 0) return false;
  bool crossAbandoned = false;
  if (backend_ && !backend_->OwnedHere() && !backend_->TryLock(&crossAbandoned)) return false;
  owner_ = tid;
  count_ = 1;
  *abandoned = abandonedPending_ || crossAbandoned;
  abandonedPending_ = false;
  NoteMutexOwned(tid, std::static_pointer_cast<MutexObject>(shared_from_this()));
  return true;
}

void MutexObject::UndoAcquire(DWORD tid) {
  if (owner_ != tid || count_ == 0) return;
  if (--count_ == 0) DropOwnership();
}

void MutexObject::DropOwnership() {
  NoteMutexReleased(owner_, this);
  owner_ = 0;
  if (backend_) backend_->Unlock();
  NotifyWaiters();
}

bool MutexObject::Release(DWORD tid) {
  std::lock_guard<std::mutex> lock(WaitLock());
  if (owner_ != tid || count_ == 0) return false;
  if (--count_ == 0) DropOwnership();
  return true;
}

void MutexObject::AbandonBy(DWORD tid) {
  std::lock_guard<std::mutex> lock(WaitLock());
  if (owner_ != tid) return;
  owner_ = 0;
  count_ = 0;
  abandonedPending_ = true;
  if (backend_) backend_->Abandon();
  NotifyWaiters();
}

namespace {

struct NameRegistry {
  std::mutex lock;
  std::map<std::wstring, std::weak_ptr<MutexObject>> mutexes;
};

NameRegistry& Names() {
  static NameRegistry* registry = new NameRegistry;
  return *registry;
}

// Windows accepts the session prefixes and no other backslash in a name.
bool NormaliseName(const wchar_t* name, std::wstring* out, DWORD* error) {
  std::wstring n(name);
  for (const wchar_t* prefix : {L"Global\\", L"Local\\"}) {
    std::wstring p(prefix);
    if (n.compare(0, p.size(), p) == 0) {
      n.erase(0, p.size());
      break;
    }
  }
  if (n.find(L'\\') != std::wstring::npos) {
    *error = ERROR_PATH_NOT_FOUND;
    return false;
  }
  if (n.size() >= MAX_PATH) {
    *error = ERROR_FILENAME_EXCED_RANGE;
    return false;
  }
  *out = n;
  return true;
}

HANDLE OpenNamed(const wchar_t* rawName, bool create, bool initialOwner) {
  std::wstring name;
  DWORD error = ERROR_SUCCESS;
  if (!NormaliseName(rawName, &name, &error)) {
    SetLastError(error);
    return nullptr;
  }
  NameRegistry& registry = Names();
  std::lock_guard<std::mutex> guard(registry.lock);
  if (auto existing = registry.mutexes[name].lock()) {
    HANDLE h = InsertHandle(existing);
    SetLastError(create ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
  }
  bool existed = false;
  auto mode = create ? NamedMutexBackend::Mode::kCreate : NamedMutexBackend::Mode::kOpenExisting;
  auto backend = NamedMutexBackend::Open(name, mode, create && initialOwner, &existed, &error);
  if (!backend) {
    SetLastError(error);
    return nullptr;
  }
  bool ownedAtBirth = backend->OwnedHere();
  auto mutex = std::make_shared<MutexObject>(std::move(backend));
  registry.mutexes[name] = mutex;
  if (ownedAtBirth) {
    std::lock_guard<std::mutex> lock(WaitLock());
    bool abandoned = false;
    mutex->TryAcquire(CurrentThreadId(), &abandoned);
  }
  HANDLE h = InsertHandle(mutex);
  SetLastError(create && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

}  // namespace
}  // namespace kb::platform

using kb::platform::MutexObject;

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCWSTR lpName) {
  if (lpName && *lpName) return kb::platform::OpenNamed(lpName, true, bInitialOwner != FALSE);
  auto mutex = std::make_shared<MutexObject>();
  if (bInitialOwner) {
    std::lock_guard<std::mutex> lock(kb::platform::WaitLock());
    bool abandoned = false;
    mutex->TryAcquire(kb::platform::CurrentThreadId(), &abandoned);
  }
  HANDLE h = kb::platform::InsertHandle(mutex);
  SetLastError(ERROR_SUCCESS);
  return h;
}

HANDLE OpenMutexW(DWORD, BOOL, LPCWSTR lpName) {
  if (!lpName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!*lpName) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  return kb::platform::OpenNamed(lpName, false, false);
}

BOOL ReleaseMutex(HANDLE hMutex) {
  auto mutex = kb::platform::LookupHandleAs<MutexObject>(hMutex);
  if (!mutex) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!mutex->Release(kb::platform::CurrentThreadId())) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  return TRUE;
}
