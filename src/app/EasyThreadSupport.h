#pragma once
// Thread start and join shared by EasyThread and RunableThread.
//
// A worker's handle is published in an atomic slot. Whoever takes it out of
// the slot owns it: the joining thread (which then waits on it and closes
// it), or the worker itself when it ends on its own. The worker's exchange is
// its last touch of its owner, so once a joiner's wait returns, or once the
// slot is empty and no joiner holds the handle, the owner may be freed.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/win32.h"

namespace kb {

// The pause between passes for what cannot wait on an event: a loop callback
// that returns at once (so it does not take a whole core), a repeating task
// whose next interval starts at the next pass, a failed wait.
inline constexpr DWORD kPassPause = 1;

// Creates the thread suspended, records its id and handle, then resumes it:
// the thread's first look at its recorded id must already see its own id.
bool LaunchThread(LPTHREAD_START_ROUTINE body, void* parameter, std::atomic<DWORD>& threadId,
                  std::atomic<HANDLE>& threadHandle);

// Takes the handle out of the slot, waits without limit for the thread to end
// and closes the handle. Nothing to do when the slot is empty. `joinLock`
// lines up joiners: one that finds the slot emptied by another joiner waits
// until that one has seen the thread end, so every caller returns only once
// the thread is gone (a Start right after cannot add a second thread). The
// worker itself never takes the lock.
void JoinThread(std::atomic<HANDLE>& threadHandle, std::mutex& joinLock);

// The worker's own last step: closes its handle unless a joiner took it.
void ReleaseOwnHandle(std::atomic<HANDLE>& threadHandle);

// Marks the calling thread as running on behalf of `owner` for its whole
// life, so that a stop requested from inside a callback does not wait for the
// very thread that asks.
void MarkThreadOwner(const void* owner);
bool IsOwnThread(const void* owner);

}  // namespace kb
