#include "common/retry_schedule.h"

#include <vector>

#include "tests/support/sim_test.h"

namespace {

class RetryScheduleTest : public SimTest {};

// Every pause a schedule makes until it gives up, from a clock that crosses
// its wrap on the way (the simulated one starts just before it).
std::vector<std::uint32_t> PausesUntilGivingUp(const platform::RetryPolicy& policy) {
  RetrySchedule schedule(policy);
  while (schedule.PauseBeforeRetry()) {
  }
  return sim::TheWorld().pauses;
}

TEST_F(RetryScheduleTest, PausesGrowToTheirCeilingAndEndAtTheBound) {
  struct Expectation {
    platform::RetryPolicy policy;
    std::vector<std::uint32_t> pauses;
  };
  const Expectation expectations[] = {
      {{100, 1000, 5000}, {100, 200, 400, 800, 1000, 1000, 1000, 500}},
      {{50, 400, 2000}, {50, 100, 200, 400, 400, 400, 400, 50}},
      // A bound shorter than the first pause cuts it.
      {{100, 1000, 30}, {30}},
  };
  for (const Expectation& expected : expectations) {
    world().pauses.clear();
    EXPECT_EQ(PausesUntilGivingUp(expected.policy), expected.pauses)
        << "bound " << expected.policy.limitMilliseconds;
  }
}

TEST_F(RetryScheduleTest, TimeSpentInTheStepCountsTowardsTheBound) {
  RetrySchedule schedule({100, 1000, 1000});
  // A try that took 950 ms leaves 50 of the bound for a pause.
  world().tickCount += 950;
  ASSERT_TRUE(schedule.PauseBeforeRetry());
  EXPECT_EQ(world().pauses, std::vector<std::uint32_t>{50});
  EXPECT_FALSE(schedule.PauseBeforeRetry());
  EXPECT_EQ(world().pauses.size(), 1u);
}

}  // namespace
