#pragma once

// One writer at a time, across processes, for the journals that several
// processes append to (the runtime module double's in every launcher that
// loads it, the Excel double's in every server). Under Wine, writes to a
// file opened for appending are not atomic between processes: two processes
// appending 3000 lines each to one file left 4171 lines, some cut into
// others. Windows only.

#include <windows.h>

#include "tests/support/kernel_handle.h"

namespace test_support {

class JournalLock {
 public:
  // Waits for the lock; a holder that died releases it (WAIT_ABANDONED).
  // Without it after a while the write goes ahead: a journal that may lose
  // a line beats a double that hangs.
  JournalLock()
      : mutex_(::CreateMutexA(nullptr, FALSE, "Local\\SheltraTestJournals")) {
    if (!mutex_) return;
    const DWORD waited = ::WaitForSingleObject(mutex_.Get(), kWaitMilliseconds);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  JournalLock(const JournalLock&) = delete;
  JournalLock& operator=(const JournalLock&) = delete;
  ~JournalLock() {
    if (held_) ::ReleaseMutex(mutex_.Get());
  }

 private:
  static constexpr DWORD kWaitMilliseconds = 10000;
  KernelHandle mutex_;
  bool held_ = false;
};

}  // namespace test_support
