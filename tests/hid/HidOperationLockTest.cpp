#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "hid/HidOperationLock.h"

namespace {

TEST(HidOperationLockTest, IsReentrantForItsThread) {
  auto outer = std::make_unique<HidOperationLock>(L"HidDevice::LockTestReentrant");
  ASSERT_TRUE(outer->Held());
  {
    HidOperationLock inner(L"HidDevice::LockTestReentrant");
    EXPECT_TRUE(inner.Held());
  }
  // Still held by the outer lock: another thread cannot take it until then.
  std::atomic<bool> taken{false};
  std::thread other([&] {
    HidOperationLock lock(L"HidDevice::LockTestReentrant");
    taken = lock.Held();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(taken.load());
  outer.reset();
  other.join();
  EXPECT_TRUE(taken.load());
}

TEST(HidOperationLockTest, SerialisesThreadsAndIsReleasedOnEveryPath) {
  std::atomic<int> inside{0};
  std::atomic<int> most{0};
  std::atomic<int> runs{0};
  auto work = [&] {
    for (int i = 0; i < 50; ++i) {
      HidOperationLock lock(L"HidDevice::LockTestSerialise");
      int now = ++inside;
      int seen = most.load();
      while (now > seen && !most.compare_exchange_weak(seen, now)) {
      }
      std::this_thread::yield();
      --inside;
      ++runs;
    }
  };
  std::thread a(work), b(work), c(work);
  a.join();
  b.join();
  c.join();
  EXPECT_EQ(runs.load(), 150);
  EXPECT_EQ(most.load(), 1);
}

TEST(HidOperationLockTest, DifferentTagsDoNotWaitForEachOther) {
  HidOperationLock read(L"HidDevice::LockTestRead");
  std::atomic<bool> done{false};
  std::thread writer([&] {
    HidOperationLock write(L"HidDevice::LockTestWrite");
    done = true;
  });
  writer.join();
  EXPECT_TRUE(done.load());
}

}  // namespace
