#pragma once

// When to try a step again that failed for a passing reason (an Excel busy
// starting up, a scanner holding a file just written): after pauses that grow
// from short to a ceiling, until a time bound since the first try has passed.
// Both the steps that retry themselves (common/retry_schedule.h) and COM,
// which retries a rejected call for the message filter (platform/com.h),
// follow it.

#include <cstdint>

namespace platform {

struct RetryPolicy {
  // The pause before the first retry; later ones grow, about doubling.
  std::uint32_t firstPauseMilliseconds;
  // No pause is longer than this.
  std::uint32_t longestPauseMilliseconds;
  // No retry begins once this long has passed since the first try; the last
  // pause is cut so that it ends there.
  std::uint32_t limitMilliseconds;
};

}  // namespace platform
