#pragma once

// When to try a step again that failed for a passing reason (an Excel busy
// starting up, a scanner holding a file just written): after pauses that grow
// from short to a ceiling, until a time bound since the first try has passed.
// A step that succeeds at once costs nothing: the clock is read, no pause is
// made.

#include <cstdint>

struct RetryPolicy {
  // The pause before the first retry; each later one doubles it.
  std::uint32_t firstPauseMilliseconds;
  // No pause is longer than this.
  std::uint32_t longestPauseMilliseconds;
  // No retry begins once this long has passed since the first try; the last
  // pause is cut so that it ends there.
  std::uint32_t limitMilliseconds;
};

class RetrySchedule {
 public:
  // The first try is taken to begin now.
  explicit RetrySchedule(const RetryPolicy& policy);

  // Pauses before the next try and returns true; returns false at once when
  // the time bound has passed and the step must fail as it is.
  bool PauseBeforeRetry();

 private:
  RetryPolicy policy_;
  std::uint32_t start_;
  std::uint32_t nextPause_;
};
