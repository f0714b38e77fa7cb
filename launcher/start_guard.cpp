#include "launcher/start_guard.h"

StartGuard::StartGuard()
    : mutex_(platform::CreateNamedMutex(kName)) {
  if (!mutex_) return;
  const platform::MutexWait wait =
      platform::WaitForMutex(mutex_.Get(), kWaitMilliseconds);
  held_ = wait == platform::MutexWait::kAcquired ||
          wait == platform::MutexWait::kAcquiredAbandoned;
}

StartGuard::~StartGuard() {
  if (held_) platform::ReleaseMutex(mutex_.Get());
}
