#include "launcher/launcher_message.h"

#include "tests/support/sim_test.h"

namespace {

using LauncherMessageTest = SimTest;

TEST_F(LauncherMessageTest, ForegroundWindowOfThisThreadOwnsTheBox) {
  world().currentThreadId = 7;
  world().AddWindow(0x1234, 7);
  world().foregroundWindow = 0x1234;
  ShowLauncherMessage("text", "Sheltra", 16);
  ASSERT_EQ(world().messageBoxes.size(), 1u);
  const sim::MessageBoxRecord& box = world().messageBoxes[0];
  EXPECT_EQ(box.owner, 0x1234u);
  EXPECT_EQ(box.text, "text");
  EXPECT_EQ(box.title, "Sheltra");
  EXPECT_EQ(box.style, 16u);
}

TEST_F(LauncherMessageTest, ForegroundWindowOfAnotherThreadDoesNot) {
  world().currentThreadId = 7;
  world().AddWindow(0x1234, 8);
  world().foregroundWindow = 0x1234;
  ShowLauncherMessage("text", "Sheltra", 16);
  ASSERT_EQ(world().messageBoxes.size(), 1u);
  EXPECT_EQ(world().messageBoxes[0].owner, 0u);
}

TEST_F(LauncherMessageTest, NoForegroundWindowMeansNoOwner) {
  world().foregroundWindow = 0;
  ShowLauncherMessage("text", "Sheltra", 16);
  ASSERT_EQ(world().messageBoxes.size(), 1u);
  EXPECT_EQ(world().messageBoxes[0].owner, 0u);
}

}  // namespace
