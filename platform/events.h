#pragma once

// Named event objects shared with other modules of the process. On Windows:
// CreateEventA, ResetEvent, MsgWaitForMultipleObjects and CloseHandle.

#include <string>

#include "platform/unique_handle.h"

namespace platform {

struct EventTag;
using RawEvent = EventTag*;

// Creates the automatic-reset event `name`, signalled at first, with default
// security; when an event of that name exists already, opens it instead (its
// state is then left as it is). Returns nullptr when neither can be done.
RawEvent CreateNamedEvent(const std::string& name);

// Makes `event` unsignalled. A null or closed handle is ignored.
void ResetEvent(RawEvent event);

// Blocks until `event` is signalled, without time-out. Messages sent to the
// thread's windows meanwhile are still delivered, so a program that sends a
// message to every window is not held up by the waiting launcher.
void WaitForEvent(RawEvent event);

void CloseEvent(RawEvent event) noexcept;

using UniqueEvent = UniqueHandle<ClosedBy<RawEvent, CloseEvent>>;

}  // namespace platform
