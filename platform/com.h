#pragma once

// The COM apartment of the launcher's one thread and its OLE message filter.
// On Windows: CoInitialize, CoUninitialize and CoRegisterMessageFilter.

#include <algorithm>
#include <cstdint>
#include <optional>

#include "platform/retry_policy.h"

namespace platform {

// Enters a single-threaded apartment; the result is not reported because the
// run goes on either way.
void InitializeCom();
void UninitializeCom();

// A call that a busy server rejected (SERVERCALL_RETRYLATER or
// SERVERCALL_REJECTED) is made again by COM itself, as the caller's retry
// policy (the automation layer's) says. The pause the filter asks COM to
// make before it tries a call again that was first made `elapsed`
// milliseconds ago: as long as the time spent so far (so pauses about
// double), at least the first pause, at most the longest, and cut so that it
// ends at the limit. Nothing once the limit has
// passed: the call is then given up and fails with RPC_E_CALL_REJECTED.
inline std::optional<std::uint32_t> PauseBeforeRetryingRejectedCall(
    const RetryPolicy& retry, std::uint32_t elapsed) {
  if (elapsed >= retry.limitMilliseconds) return std::nullopt;
  const std::uint32_t grown = std::clamp(elapsed, retry.firstPauseMilliseconds,
                                         retry.longestPauseMilliseconds);
  return std::min(grown, retry.limitMilliseconds - elapsed);
}

// Registers an OLE message filter for the calling thread's apartment for as
// long as it lives; it asks COM to make a rejected call again as
// PauseBeforeRetryingRejectedCall says, and otherwise leaves calls as COM
// handles them without a filter. The filter registered before (if any) is
// put back when it ends, which must be before UninitializeCom. A filter that
// cannot be registered (outside a single-threaded apartment) is no failure:
// the automation layer makes rejected calls again itself, too.
class MessageFilterRegistration {
 public:
  explicit MessageFilterRegistration(const RetryPolicy& retry);
  ~MessageFilterRegistration();
  MessageFilterRegistration(const MessageFilterRegistration&) = delete;
  MessageFilterRegistration& operator=(const MessageFilterRegistration&) =
      delete;

 private:
  bool registered_ = false;
  // The filter that was registered before, put back at the end (Windows;
  // the simulated COM has no other filter).
  [[maybe_unused]] void* previous_ = nullptr;
};

}  // namespace platform
