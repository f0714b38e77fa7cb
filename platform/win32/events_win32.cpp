#include <windows.h>

#include "platform/events.h"

namespace platform {

void WaitForEvent(RawEvent event) {
  ::WaitForSingleObject(reinterpret_cast<HANDLE>(event), INFINITE);
}

void CloseEvent(RawEvent event) noexcept {
  if (event != nullptr) ::CloseHandle(reinterpret_cast<HANDLE>(event));
}

}  // namespace platform
