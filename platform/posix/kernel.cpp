// Interlocked counters, the slim reader/writer lock, the per-thread last
// error and the task allocator.
#include <linux/futex.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdlib>

#include "platform/posix/allocator.h"
#include "platform/win32.h"

namespace {

thread_local DWORD g_lastError = 0;

// An SRWLOCK is one pointer-sized word that starts zeroed (SRWLOCK_INIT) and
// is never destroyed, so the lock state lives in the word itself instead of
// a lazily allocated pthread lock that would leak. The low 32 bits hold:
//   kWriter  a writer holds the lock,
//   kWaiters someone sleeps on the word (new readers queue behind it, so a
//            waiting writer is not starved),
//   the reader count in units of kReader.
const uint32_t kWriter = 1;
const uint32_t kWaiters = 2;
const uint32_t kReader = 4;

std::atomic<uint32_t>* StateOf(PSRWLOCK lock) {
  static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t), "lock-free word");
  return reinterpret_cast<std::atomic<uint32_t>*>(&lock->Ptr);
}

void WaitWhile(std::atomic<uint32_t>* state, uint32_t seen) {
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(state), FUTEX_WAIT_PRIVATE, seen, nullptr, nullptr,
          0);
}

void WakeAll(std::atomic<uint32_t>* state) {
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(state), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr,
          nullptr, 0);
}

// Marks the word as waited on (if it still reads `s`) and sleeps.
void Park(std::atomic<uint32_t>* state, uint32_t s) {
  if (!(s & kWaiters)) {
    if (!state->compare_exchange_weak(s, s | kWaiters)) return;
    s |= kWaiters;
  }
  WaitWhile(state, s);
}

// Takes the lock at state once isFree(s) holds, moving it to taken(s): a few
// yields first, then parked until a release wakes the waiters.
template <class Free, class Taken>
void AcquireWhen(std::atomic<uint32_t>* state, Free isFree, Taken taken) {
  for (int spins = 0;; ++spins) {
    uint32_t s = state->load();
    if (isFree(s)) {
      if (state->compare_exchange_weak(s, taken(s))) return;
      continue;
    }
    if (spins < 64)
      sched_yield();
    else
      Park(state, s);
  }
}

}  // namespace

extern "C" {

LONG InterlockedIncrement(LONG volatile* Addend) {
  return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedDecrement(LONG volatile* Addend) {
  return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedExchange(LONG volatile* Target, LONG Value) {
  return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

void InitializeSRWLock(PSRWLOCK SRWLock) { SRWLock->Ptr = nullptr; }

void AcquireSRWLockExclusive(PSRWLOCK SRWLock) {
  AcquireWhen(
      StateOf(SRWLock), [](uint32_t s) { return (s & ~kWaiters) == 0; },
      [](uint32_t s) { return kWriter | (s & kWaiters); });
}

void ReleaseSRWLockExclusive(PSRWLOCK SRWLock) {
  std::atomic<uint32_t>* state = StateOf(SRWLock);
  if (state->exchange(0) & kWaiters) WakeAll(state);
}

void AcquireSRWLockShared(PSRWLOCK SRWLock) {
  AcquireWhen(
      StateOf(SRWLock), [](uint32_t s) { return !(s & (kWriter | kWaiters)); },
      [](uint32_t s) { return s + kReader; });
}

void ReleaseSRWLockShared(PSRWLOCK SRWLock) {
  std::atomic<uint32_t>* state = StateOf(SRWLock);
  uint32_t s = state->fetch_sub(kReader) - kReader;
  if (s == kWaiters) {
    // Last reader out with sleepers: clear the mark and let them race.
    if (state->compare_exchange_strong(s, 0)) WakeAll(state);
  }
}

DWORD GetLastError(void) { return g_lastError; }

void SetLastError(DWORD dwErrCode) { g_lastError = dwErrCode; }

LPVOID CoTaskMemAlloc(SIZE_T cb) { return qorvid::platform::Allocate(cb ? cb : 1); }

void CoTaskMemFree(LPVOID pv) { qorvid::platform::Release(pv); }

}  // extern "C"
