// The retry policy of the automation layer and of the run's OLE message
// filter: which answers are waited out, after which pauses, until when.
#include "automation/busy_retry.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

#include "platform/com.h"
#include "tests/support/sim_test.h"

namespace {

using automation::IsBusyRejection;
using automation::IsPassingStartFailure;
using automation::kBusyCallRetry;
using automation::kExcelStartRetry;
using automation::RetryWhile;

class BusyRetryTest : public SimTest {
 protected:
  // Tries a step that answers `answers` in turn (then S_OK), as RetryWhile
  // with `policy` and `retryable`; the last answer.
  template <typename Retryable>
  HRESULT TryAnswering(const platform::RetryPolicy& policy, Retryable retryable,
                       std::vector<HRESULT> answers) {
    tries = 0;
    return RetryWhile(policy, retryable, [&] {
      const std::size_t index = static_cast<std::size_t>(tries++);
      return index < answers.size() ? answers[index] : S_OK;
    });
  }

  std::uint32_t Waited() const {
    return std::accumulate(sim::TheWorld().pauses.begin(),
                           sim::TheWorld().pauses.end(), std::uint32_t{0});
  }

  int tries = 0;
};

TEST_F(BusyRetryTest, OnlyTheAnswersOfABusyServerAreWaitedOut) {
  EXPECT_TRUE(IsBusyRejection(static_cast<HRESULT>(0x80010001)));
  EXPECT_TRUE(IsBusyRejection(static_cast<HRESULT>(0x8001010A)));
  for (const HRESULT other :
       {S_OK, S_FALSE, E_FAIL, DISP_E_EXCEPTION, DISP_E_UNKNOWNNAME,
        CO_E_SERVER_EXEC_FAILURE,
        static_cast<HRESULT>(0x80010108),    // RPC_E_DISCONNECTED
        static_cast<HRESULT>(0x80010105),    // RPC_E_SERVERFAULT
        static_cast<HRESULT>(0x8001011F)}) {  // RPC_E_TIMEOUT
    EXPECT_FALSE(IsBusyRejection(other)) << std::hex << other;
  }
  EXPECT_TRUE(IsPassingStartFailure(static_cast<HRESULT>(0x80080005)));
  for (const HRESULT other :
       {E_FAIL, E_OUTOFMEMORY, CO_E_CLASSSTRING, REGDB_E_CLASSNOTREG,
        RPC_E_CALL_REJECTED, RPC_E_SERVERCALL_RETRYLATER,
        static_cast<HRESULT>(0x80070005)}) {  // E_ACCESSDENIED
    EXPECT_FALSE(IsPassingStartFailure(other)) << std::hex << other;
  }
}

TEST_F(BusyRetryTest, BusyCallsWaitFromATenthOfASecondUpToASecondFor60s) {
  EXPECT_EQ(TryAnswering(kBusyCallRetry, IsBusyRejection,
                         std::vector<HRESULT>(1000, RPC_E_CALL_REJECTED)),
            RPC_E_CALL_REJECTED);
  const std::vector<std::uint32_t>& pauses = world().pauses;
  ASSERT_EQ(pauses.size(), 63u);
  EXPECT_EQ(std::vector<std::uint32_t>(pauses.begin(), pauses.begin() + 6),
            (std::vector<std::uint32_t>{100, 200, 400, 800, 1000, 1000}));
  EXPECT_EQ(pauses.back(), 500u);
  EXPECT_EQ(Waited(), 60000u);
  EXPECT_EQ(tries, 64);
}

TEST_F(BusyRetryTest, ExcelStartIsTriedAFewTimesWithin30s) {
  EXPECT_EQ(TryAnswering(kExcelStartRetry, IsPassingStartFailure,
                         std::vector<HRESULT>(100, CO_E_SERVER_EXEC_FAILURE)),
            CO_E_SERVER_EXEC_FAILURE);
  EXPECT_EQ(world().pauses,
            (std::vector<std::uint32_t>{1000, 2000, 4000, 8000, 8000, 7000}));
  EXPECT_EQ(Waited(), 30000u);
  EXPECT_EQ(tries, 7);
}

TEST_F(BusyRetryTest, AStepThatSucceedsOrFailsOtherwiseCostsNoPause) {
  EXPECT_EQ(TryAnswering(kBusyCallRetry, IsBusyRejection, {}), S_OK);
  EXPECT_EQ(tries, 1);
  EXPECT_EQ(TryAnswering(kBusyCallRetry, IsBusyRejection, {E_FAIL}), E_FAIL);
  EXPECT_EQ(tries, 1);
  EXPECT_EQ(TryAnswering(kExcelStartRetry, IsPassingStartFailure,
                         {RPC_E_SERVERCALL_RETRYLATER}),
            RPC_E_SERVERCALL_RETRYLATER);
  EXPECT_EQ(tries, 1);
  EXPECT_TRUE(world().pauses.empty());

  // A busy answer, then another failure: that one is the answer.
  EXPECT_EQ(TryAnswering(kBusyCallRetry, IsBusyRejection,
                         {RPC_E_SERVERCALL_RETRYLATER, DISP_E_EXCEPTION}),
            DISP_E_EXCEPTION);
  EXPECT_EQ(tries, 2);
  EXPECT_EQ(world().pauses, std::vector<std::uint32_t>{100});
}

TEST_F(BusyRetryTest, TheBoundCountsFromTheFirstTry) {
  // Each try takes 7 s: the eighth ends 60.5 s after the first began, and
  // no retry begins after it.
  tries = 0;
  const HRESULT last = RetryWhile(kBusyCallRetry, IsBusyRejection, [&] {
    ++tries;
    world().tickCount += 7000;
    return RPC_E_SERVERCALL_RETRYLATER;
  });
  EXPECT_EQ(last, RPC_E_SERVERCALL_RETRYLATER);
  EXPECT_EQ(tries, 8);
  EXPECT_EQ(world().pauses, (std::vector<std::uint32_t>{100, 200, 400, 800,
                                                        1000, 1000, 1000}));
}

// What the run's message filter answers COM, as COM would use it: it makes
// the call again after each pause, until the filter gives up.
std::vector<std::uint32_t> FilterPauses(std::uint32_t callTakes) {
  const platform::RetryPolicy& retry = kBusyCallRetry;
  std::vector<std::uint32_t> pauses;
  std::uint32_t elapsed = callTakes;
  while (const std::optional<std::uint32_t> pause =
             platform::PauseBeforeRetryingRejectedCall(retry, elapsed)) {
    pauses.push_back(*pause);
    elapsed += *pause + callTakes;
  }
  return pauses;
}

TEST_F(BusyRetryTest, MessageFilterAsksComForTheSamePausesWithinTheSameBound) {
  const std::vector<std::uint32_t> pauses = FilterPauses(0);
  EXPECT_EQ(std::vector<std::uint32_t>(pauses.begin(), pauses.begin() + 6),
            (std::vector<std::uint32_t>{100, 100, 200, 400, 800, 1000}));
  EXPECT_EQ(*std::max_element(pauses.begin(), pauses.end()), 1000u);
  EXPECT_EQ(std::accumulate(pauses.begin(), pauses.end(), 0u), 60000u);
  // Time the rejections take counts too.
  const std::vector<std::uint32_t> slow = FilterPauses(250);
  EXPECT_EQ(std::vector<std::uint32_t>(slow.begin(), slow.begin() + 4),
            (std::vector<std::uint32_t>{250, 750, 1000, 1000}));
  EXPECT_LE(std::accumulate(slow.begin(), slow.end(), 0u) + 250u * slow.size(),
            60000u);
  // Past the bound the call is given up at once.
  const platform::RetryPolicy retry{100, 1000, 60000};
  EXPECT_EQ(platform::PauseBeforeRetryingRejectedCall(retry, 60000),
            std::nullopt);
  EXPECT_EQ(platform::PauseBeforeRetryingRejectedCall(retry, 59950), 50u);
}

}  // namespace
