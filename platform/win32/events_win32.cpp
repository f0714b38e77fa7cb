#include <windows.h>

#include "platform/events.h"
#include "platform/win32/message_wait_win32.h"

namespace platform {

RawEvent CreateNamedEvent(const std::string& name) {
  return reinterpret_cast<RawEvent>(
      ::CreateEventA(nullptr, FALSE, TRUE, name.c_str()));
}

void ResetEvent(RawEvent event) {
  ::ResetEvent(reinterpret_cast<HANDLE>(event));
}

void WaitForEvent(RawEvent event) {
  WaitDeliveringSentMessages(reinterpret_cast<HANDLE>(event), INFINITE);
}

void CloseEvent(RawEvent event) noexcept {
  if (event != nullptr) ::CloseHandle(reinterpret_cast<HANDLE>(event));
}

}  // namespace platform
