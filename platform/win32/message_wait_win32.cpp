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
    MSG message;
    // Delivers the messages sent to the thread; posted ones stay queued.
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    // WAIT_OBJECT_0 + handles: a message was sent to the thread. Otherwise
    // the wait is over, and the queue has just been looked at: a thread that
    // has not looked at it for 5 s, and is not waiting on it, counts as
    // hung, and a message sent to its windows with SMTO_ABORTIFHUNG then
    // fails at once (seen under Wine: a message box shown just after 60 s
    // of pauses answered WM_GETTEXT for its button with nothing).
    if (result != WAIT_OBJECT_0 + handles) return result;
  }
}

}  // namespace platform
