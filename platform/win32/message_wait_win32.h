#pragma once

#include <windows.h>

namespace platform {

// Waits up to `milliseconds` (INFINITE: without time-out) until `handle` is
// signalled, or only for the time when `handle` is null. Messages sent to the
// thread's windows meanwhile are delivered (posted ones stay queued), so a
// program that sends a message to every window is never held up by a
// waiting launcher. Returns WAIT_OBJECT_0, WAIT_ABANDONED_0, WAIT_TIMEOUT or
// WAIT_FAILED.
DWORD WaitDeliveringSentMessages(HANDLE handle, DWORD milliseconds);

}  // namespace platform
