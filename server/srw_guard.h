// Scoped holds on a slim reader/writer lock, so that no path out of a locked
// region (an early return, an exception) leaves the lock taken.
#pragma once

#include "platform/win32.h"

namespace qorvid {

template <void(WINAPI* Acquire)(PSRWLOCK), void(WINAPI* Release)(PSRWLOCK)>
class SrwHold {
 public:
  explicit SrwHold(SRWLOCK& lock) : lock_(lock) { Acquire(&lock_); }
  ~SrwHold() { Release(&lock_); }
  SrwHold(const SrwHold&) = delete;
  SrwHold& operator=(const SrwHold&) = delete;

 private:
  SRWLOCK& lock_;
};

// Readers share the lock; a writer holds it alone.
typedef SrwHold<AcquireSRWLockShared, ReleaseSRWLockShared> SharedLock;
typedef SrwHold<AcquireSRWLockExclusive, ReleaseSRWLockExclusive> ExclusiveLock;

}  // namespace qorvid
