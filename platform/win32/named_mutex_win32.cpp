#include <windows.h>

#include "platform/named_mutex.h"

namespace platform {

namespace {

HANDLE ToHandle(RawMutex mutex) { return reinterpret_cast<HANDLE>(mutex); }

}  // namespace

RawMutex CreateNamedMutex(const std::string& name) {
  return reinterpret_cast<RawMutex>(
      ::CreateMutexA(nullptr, FALSE, name.c_str()));
}

MutexWait WaitForMutex(RawMutex mutex, std::uint32_t milliseconds) {
  const HANDLE handle = ToHandle(mutex);
  const DWORD start = ::GetTickCount();
  for (;;) {
    // Unsigned arithmetic stays right across the tick count's wrap.
    const DWORD elapsed = ::GetTickCount() - start;
    const DWORD remaining = elapsed >= milliseconds ? 0 : milliseconds - elapsed;
    switch (::MsgWaitForMultipleObjects(1, &handle, FALSE, remaining,
                                        QS_SENDMESSAGE)) {
      case WAIT_OBJECT_0:
        return MutexWait::kAcquired;
      case WAIT_ABANDONED_0:
        return MutexWait::kAcquiredAbandoned;
      case WAIT_OBJECT_0 + 1: {
        // Delivers the messages sent to the thread; posted ones stay queued.
        MSG message;
        ::PeekMessageA(&message, nullptr, 0, 0,
                       PM_NOREMOVE | PM_QS_SENDMESSAGE);
        break;
      }
      case WAIT_TIMEOUT:
        return MutexWait::kTimedOut;
      default:
        return MutexWait::kFailed;
    }
  }
}

void ReleaseMutex(RawMutex mutex) { ::ReleaseMutex(ToHandle(mutex)); }

void CloseMutex(RawMutex mutex) noexcept {
  if (mutex != nullptr) ::CloseHandle(ToHandle(mutex));
}

}  // namespace platform
