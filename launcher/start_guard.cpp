#include "launcher/start_guard.h"

#include "platform/process.h"

std::string StartGuard::NameForUser() {
  const std::string sid = platform::CurrentUserSid();
  return sid.empty() ? kName : kName + ("." + sid);
}

StartGuard::StartGuard()
    : mutex_(platform::CreateNamedMutex(NameForUser())) {
  if (!mutex_) return;
  const platform::MutexWait wait =
      platform::WaitForMutex(mutex_.Get(), kWaitMilliseconds);
  held_ = wait == platform::MutexWait::kAcquired ||
          wait == platform::MutexWait::kAcquiredAbandoned;
}

StartGuard::~StartGuard() {
  if (held_) platform::ReleaseMutex(mutex_.Get());
}
