#include <windows.h>

#include "platform/clock.h"

namespace platform {

std::uint32_t TickCount() { return ::GetTickCount(); }

void Pause(std::uint32_t milliseconds) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= milliseconds) return;
    if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed,
                                    QS_SENDMESSAGE) == WAIT_OBJECT_0) {
      // Delivers the messages sent to the thread; posted ones stay queued.
      MSG message;
      ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }
}

}  // namespace platform
