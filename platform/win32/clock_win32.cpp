#include <windows.h>

#include "platform/clock.h"
#include "platform/win32/message_wait_win32.h"

namespace platform {

std::uint32_t TickCount() { return ::GetTickCount(); }

void Pause(std::uint32_t milliseconds) {
  WaitDeliveringSentMessages(nullptr, milliseconds);
}

}  // namespace platform
