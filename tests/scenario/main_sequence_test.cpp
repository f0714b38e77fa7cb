#include "launcher/main_sequence.h"

#include "common/messages.h"
#include "tests/support/sim_test.h"
#include "tests/support/zip_test_archive.h"

namespace {

const std::string kExe = "C:\\Tools\\Budget.exe";

class MainSequenceTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    Carry(kExe);
  }

  // The resources every launcher carries for the steps that run so far.
  void Carry(const std::string& exe) {
    world().AddResource(exe, "EXT", 106, {'.', 'x', 'l', 'a', 'm', 0});
    world().AddResource(exe, "RUNTIME", 102,
                        OneEntryZip("SheltraRuntime.dll", "MZ module"));
  }

  void ExpectOneBox(const std::string& text) {
    ASSERT_EQ(world().messageBoxes.size(), 1u);
    EXPECT_EQ(world().messageBoxes[0].text, text);
    EXPECT_EQ(world().messageBoxes[0].title, "Sheltra");
    EXPECT_EQ(world().messageBoxes[0].style, 0x10u);
  }
};

TEST_F(MainSequenceTest, RunWithoutFailureShowsNothingAndReturnsOne) {
  EXPECT_EQ(RunLauncher(kExe), 1);
  EXPECT_TRUE(world().messageBoxes.empty());
  EXPECT_EQ(FileContent("C:\\Users\\u\\AppData\\Local\\Quorvane\\"
                        "SheltraRuntime.dll"),
            "MZ module");
  EXPECT_EQ(world().eventWaits, 0);
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

TEST_F(MainSequenceTest, MissingExtensionIsNotReported) {
  world().FindModule(kExe)->resources.erase({"EXT", 106});
  EXPECT_EQ(RunLauncher(kExe), 1);
  EXPECT_TRUE(world().messageBoxes.empty());
}

TEST_F(MainSequenceTest, EmptyExecutablePathEndsTheRunAtTheInstallation) {
  EXPECT_EQ(RunLauncher(""), 0);
  ExpectOneBox("Sheltra Runtime can not be found in executable.");
}

TEST_F(MainSequenceTest, InstallationFailureEndsTheRunWithItsMessage) {
  world().modules.erase("shell32.dll");
  EXPECT_EQ(RunLauncher(kExe), 0);
  ExpectOneBox("Sheltra was unable to locate Application Data folder.");
}

TEST_F(MainSequenceTest, WorkbookPathOverTheLimitIsReportedNotCut) {
  const std::string exe = "C:\\" + std::string(250, 'd') + "\\B.exe";
  Carry(exe);
  world().AddResource(exe, "EXT", 106, {'.', 'x', 'l', 's', 'x', 'x', 0});
  EXPECT_EQ(RunLauncher(exe), 0);
  ExpectOneBox(messages::WorkbookPathFailed(""));
}

TEST_F(MainSequenceTest, ReportIsOwnedByTheLaunchersForegroundWindowOnly) {
  world().currentThreadId = 3;
  world().windowThreads[0x50] = 3;
  world().foregroundWindow = 0x50;
  RunLauncher("");
  ASSERT_EQ(world().messageBoxes.size(), 1u);
  EXPECT_EQ(world().messageBoxes[0].owner, 0x50u);

  world().messageBoxes.clear();
  world().windowThreads[0x60] = 99;
  world().foregroundWindow = 0x60;
  RunLauncher("");
  ASSERT_EQ(world().messageBoxes.size(), 1u);
  EXPECT_EQ(world().messageBoxes[0].owner, 0u);
}

}  // namespace
