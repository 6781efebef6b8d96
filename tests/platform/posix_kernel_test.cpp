// Interlocked counters, the reader/writer lock and the per-thread last error.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/win32.h"

namespace {

SRWLOCK g_staticLock = SRWLOCK_INIT;  // zero-initialised, never set up

TEST(Interlocked, ReturnsTheResultingValue) {
  LONG volatile n = 0;
  EXPECT_EQ(InterlockedIncrement(&n), 1);
  EXPECT_EQ(InterlockedDecrement(&n), 0);
  EXPECT_EQ(InterlockedDecrement(&n), -1);
  EXPECT_EQ(InterlockedExchange(&n, 7), -1);
  EXPECT_EQ(n, 7);
}

TEST(Interlocked, ConcurrentIncrementsAreNotLost) {
  LONG volatile n = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) InterlockedIncrement(&n);
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(n, 80000);
}

TEST(SrwLock, WritersExcludeEveryoneReadersShare) {
  long shared = 0;             // written only under the exclusive side
  std::atomic<int> inside{0};  // threads currently holding the lock
  std::atomic<bool> overlapped{false}, readersOverlapped{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        AcquireSRWLockExclusive(&g_staticLock);
        if (inside.fetch_add(1) != 0) overlapped = true;
        ++shared;
        inside.fetch_sub(1);
        ReleaseSRWLockExclusive(&g_staticLock);
      }
    });
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        AcquireSRWLockShared(&g_staticLock);
        int before = inside.fetch_add(1);
        if (before > 0) readersOverlapped = true;
        volatile long seen = shared;
        (void)seen;
        inside.fetch_sub(1);
        ReleaseSRWLockShared(&g_staticLock);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(shared, 8000);
  EXPECT_FALSE(overlapped) << "a writer shared the lock";
  (void)readersOverlapped;  // allowed, not required

  // Two readers may hold it at once on one thread.
  SRWLOCK lock;
  InitializeSRWLock(&lock);
  AcquireSRWLockShared(&lock);
  AcquireSRWLockShared(&lock);
  ReleaseSRWLockShared(&lock);
  ReleaseSRWLockShared(&lock);
  AcquireSRWLockExclusive(&lock);
  ReleaseSRWLockExclusive(&lock);
}

TEST(LastError, IsPerThread) {
  SetLastError(42);
  DWORD other = 1;
  std::thread([&] { other = GetLastError(); }).join();
  EXPECT_EQ(other, 0u);
  EXPECT_EQ(GetLastError(), 42u);
}

}  // namespace
