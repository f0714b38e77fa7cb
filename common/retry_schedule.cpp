#include "common/retry_schedule.h"

#include <algorithm>

#include "platform/clock.h"

RetrySchedule::RetrySchedule(const platform::RetryPolicy& policy)
    : policy_(policy),
      start_(platform::TickCount()),
      nextPause_(policy.firstPauseMilliseconds) {}

bool RetrySchedule::PauseBeforeRetry() {
  // Unsigned arithmetic stays right across the tick count's wrap.
  const std::uint32_t elapsed = platform::TickCount() - start_;
  if (elapsed >= policy_.limitMilliseconds) return false;
  const std::uint32_t pause =
      std::min(nextPause_, policy_.limitMilliseconds - elapsed);
  platform::Pause(pause);
  nextPause_ = std::min(nextPause_ * 2, policy_.longestPauseMilliseconds);
  return true;
}
