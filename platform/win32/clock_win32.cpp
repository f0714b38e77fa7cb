#include <windows.h>

#include "platform/clock.h"

namespace platform {

std::uint32_t TickCount() { return ::GetTickCount(); }

void Pause(std::uint32_t milliseconds) {
  const DWORD start = ::GetTickCount();
  MSG message;
  for (;;) {
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= milliseconds) break;
    if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed,
                                    QS_SENDMESSAGE) == WAIT_OBJECT_0) {
      // Delivers the messages sent to the thread; posted ones stay queued.
      ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }
  // A thread that has not looked at its queue for 5 s, and is not waiting
  // on it, counts as hung: a message sent to its windows with
  // SMTO_ABORTIFHUNG then fails at once. A pause waits on the queue, but
  // the work after it does not; looking now starts those 5 s afresh (seen
  // under Wine: a message box shown just after 60 s of pauses answered
  // WM_GETTEXT for its button with nothing).
  ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace platform
