#include "platform/win32/message_wait_win32.h"

namespace platform {

DWORD WaitDeliveringSentMessages(HANDLE handle, DWORD milliseconds) {
  const DWORD handles = handle != nullptr ? 1 : 0;
  const DWORD start = ::GetTickCount();
  for (;;) {
    DWORD remaining = INFINITE;
    if (milliseconds != INFINITE) {
      // Unsigned arithmetic stays right across the tick count's wrap.
      const DWORD elapsed = ::GetTickCount() - start;
      remaining = elapsed >= milliseconds ? 0 : milliseconds - elapsed;
    }
    const DWORD result = ::MsgWaitForMultipleObjects(
        handles, &handle, FALSE, remaining, QS_SENDMESSAGE);
    // WAIT_OBJECT_0 + handles: a message was sent to the thread.
    if (result != WAIT_OBJECT_0 + handles) return result;
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace platform
