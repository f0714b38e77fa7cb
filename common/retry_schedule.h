#pragma once

// A step tried again as a retry policy says, each pause twice the one
// before up to the longest. A step that succeeds at once costs nothing: the
// clock is read, no pause is made.

#include <cstdint>

#include "platform/retry_policy.h"

class RetrySchedule {
 public:
  // The first try is taken to begin now.
  explicit RetrySchedule(const platform::RetryPolicy& policy);

  // Pauses before the next try and returns true; returns false at once when
  // the time bound has passed and the step must fail as it is.
  bool PauseBeforeRetry();

 private:
  platform::RetryPolicy policy_;
  std::uint32_t start_;
  std::uint32_t nextPause_;
};
