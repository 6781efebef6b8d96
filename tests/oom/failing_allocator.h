// One allocation counter behind every allocator the component's process
// uses: C++ operator new (replaced process-wide by this program), the
// platform's BSTR / SAFEARRAY / task-memory blocks and SQLite's. While armed,
// the n-th allocation from any of them fails (bad_alloc, or null); blocks
// made while tracking are counted until freed, so a run can be checked for
// leaks.
#pragma once

namespace qorvid::oom {

enum Source { CppNew, PlatformBlocks, Sqlite, kSources };

// Installs the platform's and SQLite's allocators; call first thing in main.
void InstallAllocators();

// Counts allocations from now on; the failAt-th fails (0: none fails), and
// when persistent every one after it too.
void Arm(long failAt, bool persistent = false);
void Disarm();
long AllocationsCounted();
bool FailureInjected();
// Whether the component's process-wide error text was already set when the
// failure was injected (the failure hit the reporting of another one).
bool InjectedWhileReporting();
// Which allocator the injected failure hit.
Source InjectedSource();

// Blocks made while tracking and not freed yet, per source.
void StartTracking();
void StopTracking();
long LiveBlocks(Source source);

// Neither counts nor fails allocations nor tracks blocks while it lives: the
// test's own bookkeeping.
class Paused {
 public:
  Paused();
  ~Paused();
  Paused(const Paused&) = delete;
  Paused& operator=(const Paused&) = delete;

 private:
  bool wasArmed_, wasTracking_;
};

}  // namespace qorvid::oom
