#include "platform/unique_handle.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// What the holders under test closed, in order.
std::vector<int> closed;

void CloseNumbered(int* handle) noexcept { closed.push_back(*handle); }
using NumberedHandle = platform::UniqueHandle<platform::ClosedBy<int*, CloseNumbered>>;

// A handle kind empty at -1, as a failed FindFirstFile or iconv_open gives:
// 0 is a handle like any other.
struct MinusOneTraits {
  using Raw = int;
  static constexpr Raw Empty() noexcept { return -1; }
  static void Close(Raw handle) noexcept { closed.push_back(handle); }
};
using MinusOneHandle = platform::UniqueHandle<MinusOneTraits>;

TEST(UniqueHandle, EveryHandleIsClosedExactlyOnceWhateverMovesIt) {
  closed.clear();
  int one = 1, two = 2, three = 3;
  {
    NumberedHandle first(&one);
    NumberedHandle second(std::move(first));
    EXPECT_FALSE(first);
    NumberedHandle& alias = second;
    second = std::move(alias);  // onto itself: kept, not closed
    second.Reset(&one);         // the handle it holds: not closed
    EXPECT_TRUE(closed.empty());

    NumberedHandle third(&two);
    third = std::move(second);  // the target's own handle goes first
    EXPECT_EQ(closed, std::vector<int>{2});
    third.Reset(&three);
    EXPECT_EQ(closed, (std::vector<int>{2, 1}));
    EXPECT_EQ(third.Release(), &three);  // given up, never closed
    third.Reset(&three);
  }
  EXPECT_EQ(closed, (std::vector<int>{2, 1, 3}));
}

TEST(UniqueHandle, EmptyIsTheKindsOwnValue) {
  closed.clear();
  {
    MinusOneHandle none;
    EXPECT_FALSE(none);
    MinusOneHandle zero(0);
    EXPECT_TRUE(zero);
    EXPECT_EQ(NumberedHandle().Get(), nullptr);
  }
  EXPECT_EQ(closed, std::vector<int>{0});
}

}  // namespace
