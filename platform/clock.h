#pragma once

// The system's millisecond clock and the launcher's pauses. On Windows:
// GetTickCount and MsgWaitForMultipleObjects.

#include <cstdint>

namespace platform {

// Milliseconds since the system started; wraps every 49.7 days, so only the
// difference of two readings, taken in unsigned arithmetic, means anything.
std::uint32_t TickCount();

// Waits `milliseconds` before it returns. Messages sent to the thread's
// windows meanwhile are still delivered, so a program that sends a message
// to every window is not held up by a pausing launcher.
void Pause(std::uint32_t milliseconds);

}  // namespace platform
