#pragma once

// Named mutex objects, shared by the processes of one logon session. On
// Windows: CreateMutexA, MsgWaitForMultipleObjects, PeekMessageA,
// ReleaseMutex and CloseHandle.

#include <cstdint>
#include <string>

#include "platform/unique_handle.h"

namespace platform {

struct MutexTag;
using RawMutex = MutexTag*;

// Creates the mutex `name`, owned by no one, with default security; opens
// it when it exists already. nullptr when neither can be done (the name
// belongs to another kind of object, or to another user).
RawMutex CreateNamedMutex(const std::string& name);

enum class MutexWait {
  kAcquired,
  // Acquired from a holder that ended without releasing it.
  kAcquiredAbandoned,
  kTimedOut,
  kFailed,
};

// Waits at most `milliseconds` until the calling thread owns `mutex`. While
// it waits, messages sent to the thread's windows are still delivered, so a
// program that sends a message to every window is not held up.
MutexWait WaitForMutex(RawMutex mutex, std::uint32_t milliseconds);

// Gives up one ownership that WaitForMutex acquired.
void ReleaseMutex(RawMutex mutex);

void CloseMutex(RawMutex mutex) noexcept;

using UniqueMutex = UniqueHandle<ClosedBy<RawMutex, CloseMutex>>;

}  // namespace platform
