#pragma once

// Named event objects shared with other modules of the process. On Windows:
// CreateEventA, ResetEvent, WaitForSingleObject and CloseHandle.

#include "platform/unique_handle.h"

namespace platform {

struct EventTag;
using RawEvent = EventTag*;

// Blocks until `event` is signalled, without time-out.
void WaitForEvent(RawEvent event);

void CloseEvent(RawEvent event) noexcept;

struct EventTraits {
  using Raw = RawEvent;
  static constexpr Raw Empty() noexcept { return nullptr; }
  static void Close(Raw event) noexcept { CloseEvent(event); }
};
using UniqueEvent = UniqueHandle<EventTraits>;

}  // namespace platform
