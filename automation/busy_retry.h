#pragma once

// How the launch waits for an Excel that is busy or still starting: every
// retry the automation layer makes, with its numbers, in this one place.
// An Excel that answers at once costs nothing: the clock is read, no pause
// is made.

#include "common/retry_schedule.h"
#include "platform/com_types.h"

namespace automation {

// A call that Excel rejects as busy (while it starts, loads its add-ins or
// shows a dialog) was not carried out, so it is made again: after 100 ms,
// then after pauses doubling up to 1 s, until 60 s have passed since its
// first try. The OLE message filter of the run asks Windows' COM for the
// same (launcher/launcher_entry.cpp).
inline constexpr platform::RetryPolicy kBusyCallRetry{100, 1000, 60000};

// Creating Excel while Office finishes an update after a reboot fails with
// CO_E_SERVER_EXEC_FAILURE; it is tried again after 1 s, then after pauses
// doubling up to 8 s, until 30 s have passed since the first try: a few
// tries.
inline constexpr platform::RetryPolicy kExcelStartRetry{1000, 8000, 30000};

// RPC_E_CALL_REJECTED and RPC_E_SERVERCALL_RETRYLATER: the server refused
// the call without carrying it out.
constexpr bool IsBusyRejection(HRESULT result) noexcept {
  return result == RPC_E_CALL_REJECTED || result == RPC_E_SERVERCALL_RETRYLATER;
}

constexpr bool IsPassingStartFailure(HRESULT result) noexcept {
  return result == CO_E_SERVER_EXEC_FAILURE;
}

// Makes `attempt` (a call returning an HRESULT) until it answers something
// `retryable` does not accept, or `policy` gives up; returns the last
// answer. The time bound counts from the first try.
template <typename Retryable, typename Attempt>
HRESULT RetryWhile(const platform::RetryPolicy& policy, Retryable retryable,
                   Attempt attempt) {
  RetrySchedule schedule(policy);
  HRESULT result = attempt();
  while (retryable(result) && schedule.PauseBeforeRetry()) result = attempt();
  return result;
}

}  // namespace automation
