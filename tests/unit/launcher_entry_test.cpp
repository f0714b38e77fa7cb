#include "launcher/launcher_entry.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

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

TEST_F(LauncherEntryTest, MessageFilterIsRegisteredForTheRunOnly) {
  world().ownModulePath = "C:\\Tools\\Budget.exe";
  world().AddResource(world().ownModulePath, "RUNTIME", 102,
                      OneEntryZip("SheltraRuntime.dll", "MZ"));
  world().AddResource(world().ownModulePath, "XLAM", 119, Bytes("add-in"));
  std::optional<platform::RetryPolicy> duringTheRun;
  world().whilePausing = [&] { duringTheRun = world().messageFilter; };
  // Busy once, so that the run pauses while the filter is registered.
  excel_double::RegisterInSimWorld("busy.calls=1");
  EXPECT_EQ(LauncherEntry(), 0);
  ASSERT_TRUE(duringTheRun.has_value());
  // The automation layer's numbers: 100 ms growing to 1 s, within 60 s.
  EXPECT_EQ(duringTheRun->firstPauseMilliseconds, 100u);
  EXPECT_EQ(duringTheRun->longestPauseMilliseconds, 1000u);
  EXPECT_EQ(duringTheRun->limitMilliseconds, 60000u);
  EXPECT_EQ(world().messageFilterRegistrations, 1);
  EXPECT_EQ(world().messageFilterRevocations, 1);
  EXPECT_FALSE(world().messageFilter.has_value());
  const std::vector<std::string>& calls = world().faults.Calls();
  const auto at = [&](const char* operation) {
    return std::find(calls.begin(), calls.end(), operation) - calls.begin();
  };
  EXPECT_LT(at("InitializeCom"), at("CoRegisterMessageFilter"));
  EXPECT_LT(at("CoRegisterMessageFilter"), at("RevokeMessageFilter"));
  EXPECT_LT(at("RevokeMessageFilter"), at("UninitializeCom"));
  EXPECT_EQ(calls.back(), "UninitializeCom");
  EXPECT_TRUE(world().messageBoxes.empty());
}

TEST_F(LauncherEntryTest, FilterThatCannotBeRegisteredIsNotRevoked) {
  world().ownModulePath = "C:\\Tools\\Budget.exe";
  world().AddResource(world().ownModulePath, "RUNTIME", 102,
                      OneEntryZip("SheltraRuntime.dll", "MZ"));
  world().AddResource(world().ownModulePath, "XLAM", 119, Bytes("add-in"));
  excel_double::RegisterInSimWorld();
  world().faults.FailCall("CoRegisterMessageFilter", 1);
  EXPECT_EQ(LauncherEntry(), 0);
  EXPECT_EQ(world().messageFilterRegistrations, 0);
  EXPECT_EQ(world().messageFilterRevocations, 0);
  EXPECT_TRUE(world().messageBoxes.empty());
  EXPECT_EQ(world().comUninitializations, 1);
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
