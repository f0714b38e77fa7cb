#include <windows.h>

#include "platform/named_mutex.h"
#include "platform/win32/message_wait_win32.h"

namespace platform {

namespace {

HANDLE ToHandle(RawMutex mutex) { return reinterpret_cast<HANDLE>(mutex); }

}  // namespace

RawMutex CreateNamedMutex(const std::string& name) {
  return reinterpret_cast<RawMutex>(
      ::CreateMutexA(nullptr, FALSE, name.c_str()));
}

MutexWait WaitForMutex(RawMutex mutex, std::uint32_t milliseconds) {
  switch (WaitDeliveringSentMessages(ToHandle(mutex), milliseconds)) {
    case WAIT_OBJECT_0:
      return MutexWait::kAcquired;
    case WAIT_ABANDONED_0:
      return MutexWait::kAcquiredAbandoned;
    case WAIT_TIMEOUT:
      return MutexWait::kTimedOut;
    default:
      return MutexWait::kFailed;
  }
}

void ReleaseMutex(RawMutex mutex) { ::ReleaseMutex(ToHandle(mutex)); }

void CloseMutex(RawMutex mutex) noexcept {
  if (mutex != nullptr) ::CloseHandle(ToHandle(mutex));
}

}  // namespace platform
