#include "launcher/launcher_entry.h"

#include "common/messages.h"
#include "platform/text.h"
#include "tests/doubles/excel_automation/excel_double_inproc.h"
#include "tests/support/sim_test.h"
#include "tests/support/zip_test_archive.h"

namespace {

using LauncherEntryTest = SimTest;

TEST_F(LauncherEntryTest, ExecutablePathIsTakenWhole) {
  world().ownModulePath = "C:\\Tools\\Budget.exe";
  EXPECT_EQ(ExecutablePath(), "C:\\Tools\\Budget.exe");

  world().ownModulePath = "C:\\" + std::string(256, 'p');
  EXPECT_EQ(ExecutablePath().size(), 259u);

  // 259 characters of two bytes each in a UTF-8 process.
  world().processCodePage = platform::kUtf8CodePage;
  world().ownModulePath = "C:\\";
  for (int i = 0; i < 256; ++i) world().ownModulePath += "\xD0\x96";
  EXPECT_EQ(ExecutablePath(), world().ownModulePath);
}

TEST_F(LauncherEntryTest, CutOrMissingExecutablePathIsEmpty) {
  world().ownModulePath = "C:\\" + std::string(257, 'p');
  EXPECT_EQ(ExecutablePath(), "");

  world().ownModulePath = "C:\\Tools\\Budget.exe";
  world().faults.FailCall("GetOwnModuleFileName", 1);
  EXPECT_EQ(ExecutablePath(), "");
}

TEST_F(LauncherEntryTest, RunsInsideOneComApartmentAndExitsWithZero) {
  world().ownModulePath = "C:\\Tools\\Budget.exe";
  world().AddResource(world().ownModulePath, "RUNTIME", 102,
                      OneEntryZip("SheltraRuntime.dll", "MZ"));
  world().AddResource(world().ownModulePath, "XLAM", 119, Bytes("add-in"));
  excel_double::RegisterInSimWorld();
  EXPECT_EQ(LauncherEntry(), 0);
  EXPECT_EQ(world().comInitializations, 1);
  EXPECT_EQ(world().comUninitializations, 1);
  EXPECT_TRUE(world().messageBoxes.empty());
  // The DLL search was limited first of all, before COM could load a DLL.
  EXPECT_EQ(world().dllSearch, platform::DllSearch::kSystemFolderOnly);
  ASSERT_GE(world().faults.Calls().size(), 2u);
  EXPECT_EQ(world().faults.Calls()[0], "LimitDllSearch");
  EXPECT_EQ(world().faults.Calls()[1], "InitializeCom");
}

TEST_F(LauncherEntryTest, CutExecutablePathFailsAsAnEmptyPathAndStillExitsZero) {
  world().ownModulePath = "C:\\" + std::string(300, 'p') + ".exe";
  // Were the cut path used, its runtime would be found and installed.
  world().AddResource(world().ownModulePath.substr(0, 259), "RUNTIME", 102,
                      OneEntryZip("SheltraRuntime.dll", "MZ"));
  EXPECT_EQ(LauncherEntry(), 0);
  ASSERT_EQ(world().messageBoxes.size(), 1u);
  EXPECT_EQ(world().messageBoxes[0].text, messages::kRuntimeMissing);
  EXPECT_EQ(world().comUninitializations, 1);
}

}  // namespace
