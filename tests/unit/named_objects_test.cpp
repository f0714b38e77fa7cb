#include "platform/sim/named_objects.h"

#include <gtest/gtest.h>

namespace {

struct Counted {
  int openHandles = 0;
};

// The handle table of the simulated events and mutexes: a test that leaves a
// handle open, or closes one twice, must see it in the counts.
TEST(NamedObjects, EachHandleCountsOnceUntilItIsClosed) {
  sim::NamedObjects<Counted> objects(0x700);
  const std::uintptr_t first = objects.Open("Local\\Splash");
  const std::uintptr_t second = objects.Open("Local\\Splash");
  const std::uintptr_t other = objects.Open("local\\splash");  // names are case-sensitive
  EXPECT_NE(first, second);
  EXPECT_EQ(objects.Find(first), objects.Find(second));
  EXPECT_NE(objects.Find(first), objects.Find(other));
  EXPECT_EQ(objects.byName.at("Local\\Splash").openHandles, 2);

  objects.Close(first);
  objects.Close(first);  // already closed: ignored
  objects.Close(0x700);  // never handed out: ignored
  EXPECT_EQ(objects.Find(first), nullptr);
  EXPECT_EQ(objects.byName.at("Local\\Splash").openHandles, 1);

  objects.Close(second);
  objects.Close(other);
  EXPECT_TRUE(objects.handles.empty());
  // The records stay for the tests to read.
  EXPECT_EQ(objects.byName.size(), 2u);
  EXPECT_EQ(objects.byName.at("Local\\Splash").openHandles, 0);
}

}  // namespace
