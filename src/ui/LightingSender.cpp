#include "ui/LightingSender.h"

#include <memory>

#include "app/ThreadRunable.h"

namespace {
constexpr LPARAM kSentBit = LPARAM(1) << 30;
constexpr LPARAM kMillisecondsMask = kSentBit - 1;
}  // namespace

LightingSender::LightingSender(KeyboardCommands& commands, std::mutex& deviceLock, RunableThread<0>& worker)
    : commands_(commands), deviceLock_(deviceLock), worker_(worker) {}

void LightingSender::SetNotifyWindow(HWND window, UINT message) {
  std::scoped_lock lock(lock_);
  window_ = window;
  message_ = message;
}

void LightingSender::Want(Light light, const FeatureReport& report, bool paced) {
  if (light >= kLightCount) return;
  {
    std::scoped_lock lock(lock_);
    if (closed_) return;
    wanted_[light] = Wish{report, paced};
    // One task at a time: the one queued or running takes this wish too.
    if (scheduled_) return;
    scheduled_ = true;
  }
  worker_.Post(std::make_unique<ThreadRunable<LightingSender>>(this, &LightingSender::SendPending));
}

void LightingSender::Drop() {
  std::scoped_lock lock(lock_);
  for (auto& wish : wanted_) wish.reset();
}

void LightingSender::Close() {
  std::scoped_lock lock(lock_);
  closed_ = true;
  window_ = nullptr;
  for (auto& wish : wanted_) wish.reset();
}

bool LightingSender::Busy() const {
  std::scoped_lock lock(lock_);
  return scheduled_;
}

std::optional<std::pair<LightingSender::Light, LightingSender::Wish>> LightingSender::Take() {
  std::scoped_lock lock(lock_);
  // The side light first: the keyboard applies the backlight last, as the
  // window's own order of sending at a (re)connection does.
  for (Light light : {kSideLight, kBacklight}) {
    if (!wanted_[light]) continue;
    Wish wish = *wanted_[light];
    wanted_[light].reset();
    return std::make_pair(light, wish);
  }
  scheduled_ = false;
  return std::nullopt;
}

int32_t LightingSender::SendPending(DWORD, DWORD, const BYTE*, DWORD) {
  while (auto next = Take()) {
    Outcome outcome;
    DWORD started = GetTickCount();
    {
      std::scoped_lock device(deviceLock_);
      outcome.sent = commands_.SendLightingReport(next->second.report, next->second.paced);
    }
    outcome.milliseconds = GetTickCount() - started;
    HWND window;
    UINT message;
    {
      std::scoped_lock lock(lock_);
      window = window_;
      message = message_;
    }
    if (window) ::PostMessageW(window, message, next->first, Pack(outcome));
  }
  return 0;
}

LPARAM LightingSender::Pack(Outcome outcome) {
  LPARAM ms = static_cast<LPARAM>(outcome.milliseconds) & kMillisecondsMask;
  return (outcome.sent ? kSentBit : 0) | ms;
}

LightingSender::Outcome LightingSender::Unpack(LPARAM value) {
  return Outcome{(value & kSentBit) != 0, static_cast<uint32_t>(value & kMillisecondsMask)};
}
