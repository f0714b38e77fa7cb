#include "launcher/main_sequence.h"

#include <map>
#include <set>

#include "common/messages.h"
#include "launcher/start_guard.h"
#include "platform/files.h"
#include "platform/registry_api.h"
#include "tests/doubles/excel_automation/excel_double_inproc.h"
#include "tests/support/sim_test.h"
#include "tests/support/zip_test_archive.h"

namespace {

const std::string kExe = "C:\\Tools\\Budget.exe";

class MainSequenceTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    Carry(kExe);
    excel_double::RegisterInSimWorld();
  }

  // The resources every launcher carries for the steps of a run.
  void Carry(const std::string& exe) {
    world().AddResource(exe, "EXT", 106, {'.', 'x', 'l', 'a', 'm', 0});
    world().AddResource(exe, "XLAM", 119, Bytes("loader add-in"));
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

TEST_F(MainSequenceTest, RunWithoutFailureShowsNothing) {
  RunLauncher(kExe);
  EXPECT_TRUE(world().messageBoxes.empty());
  EXPECT_EQ(FileContent("C:\\Users\\u\\AppData\\Local\\Quorvane\\"
                        "SheltraRuntime.dll"),
            "MZ module");
  EXPECT_EQ(world().eventWaits, 0);
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

// A partial file in the product folder is a killed start's leftover only
// while this start holds the start guard: without it, another start may be
// writing it.
TEST_F(MainSequenceTest, LeftoversGoOnlyWhileTheStartGuardIsHeld) {
  const std::string leftover =
      "C:\\Users\\u\\AppData\\Local\\Quorvane\\SheltraRuntime.dll.77-1.partial";
  for (const bool heldElsewhere : {false, true}) {
    PutFile(leftover, "part of a module");
    world().mutexes.byName[StartGuard::NameForUser()].heldElsewhere = heldElsewhere;
    RunLauncher(kExe);
    EXPECT_TRUE(world().messageBoxes.empty());
    EXPECT_EQ(platform::PathExists(leftover), heldElsewhere);
  }
}

TEST_F(MainSequenceTest, MissingExtensionIsNotReported) {
  world().FindModule(kExe)->resources.erase({"EXT", 106});
  RunLauncher(kExe);
  EXPECT_TRUE(world().messageBoxes.empty());
}

TEST_F(MainSequenceTest, EmptyExecutablePathEndsTheRunAtTheInstallation) {
  RunLauncher("");
  ExpectOneBox("Sheltra Runtime can not be found in executable.");
}

TEST_F(MainSequenceTest, InstallationFailureEndsTheRunWithItsMessage) {
  world().modules.erase("shell32.dll");
  RunLauncher(kExe);
  ExpectOneBox("Sheltra was unable to locate Application Data folder.");
}

TEST_F(MainSequenceTest, WorkbookPathOverTheLimitIsReportedNotCut) {
  const std::string exe = "C:\\" + std::string(250, 'd') + "\\B.exe";
  Carry(exe);
  world().AddResource(exe, "EXT", 106, {'.', 'x', 'l', 's', 'x', 'x', 0});
  RunLauncher(exe);
  ExpectOneBox(messages::WorkbookPathFailed(""));
}

std::int32_t Version28() { return 28; }
std::int32_t Version29() { return 29; }

class VersionGateTest : public MainSequenceTest {
 protected:
  const std::string kRegistered = "C:\\Sheltra\\SheltraRuntime.dll";
  const std::string kInstalled =
      "C:\\Users\\u\\AppData\\Local\\Quorvane\\SheltraRuntime.dll";

  void RegisterVersion(std::int32_t (*version)()) {
    RegisterRuntimeAddin(kRegistered);
    world().AddModule(kRegistered).exports["RtmGetVersion"] =
        reinterpret_cast<void*>(version);
  }
  bool Installed() {
    return std::filesystem::exists(world().HostPath(kInstalled));
  }
};

TEST_F(VersionGateTest, OutdatedRegisteredRuntimeStopsEverything) {
  RegisterVersion(Version28);
  InstallExcel(12, "C:\\Office12");
  world().RegistryKeyAt(platform::kCurrentUser,
                        "SOFTWARE\\Microsoft\\Office\\12.0\\Excel\\"
                        "Resiliency\\StartupItems",
                        true);
  RunLauncher(kExe);
  ExpectOneBox(messages::RuntimeTooOld());
  EXPECT_FALSE(Installed());
  EXPECT_FALSE(std::filesystem::exists(
      world().HostPath("C:\\Users\\u\\AppData\\Local\\Quorvane")));
  EXPECT_NE(world().RegistryKeyAt(
                platform::kCurrentUser,
                "SOFTWARE\\Microsoft\\Office\\12.0\\Excel\\Resiliency"),
            nullptr);
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

TEST_F(VersionGateTest, UnloadableRegisteredRuntimeStopsEverything) {
  RegisterRuntimeAddin(kRegistered);  // a file, but no loadable module
  RunLauncher(kExe);
  ExpectOneBox(messages::RuntimeTooOld());
  EXPECT_FALSE(Installed());
}

TEST_F(VersionGateTest, CurrentRegisteredRuntimeLetsTheRunGoOn) {
  RegisterVersion(Version29);
  RunLauncher(kExe);
  EXPECT_TRUE(world().messageBoxes.empty());
  EXPECT_TRUE(Installed());
}

TEST_F(VersionGateTest, EveryModuleIsLoadedFromWhereItBelongs) {
  RegisterVersion(Version29);
  RunLauncher(kExe);
  EXPECT_TRUE(world().messageBoxes.empty());
  const std::map<std::string, platform::LoadAs> expected = {
      {"shell32.dll", platform::LoadAs::kSystemDll},
      {kExe, platform::LoadAs::kResourceData},
      {kRegistered, platform::LoadAs::kModuleByFullPath}};
  std::set<std::string> loaded;
  for (const sim::ModuleLoadRecord& load : world().moduleLoads) {
    ASSERT_TRUE(expected.contains(load.path)) << load.path;
    EXPECT_EQ(load.as, expected.at(load.path)) << load.path;
    loaded.insert(load.path);
  }
  EXPECT_EQ(loaded.size(), expected.size());
}

TEST_F(VersionGateTest, RuntimeRegisteredWithoutItsFullPathIsNeverLoaded) {
  // Registered by name alone, with a module of that name in the current
  // folder, as a planted one would be.
  const std::string planted = "SheltraRuntime.dll";
  RegisterRuntimeAddin(planted);
  world().AddModule(planted).exports["RtmGetVersion"] =
      reinterpret_cast<void*>(&Version29);
  RunLauncher(kExe);
  ExpectOneBox(messages::RuntimeTooOld());
  EXPECT_EQ(world().FindModule(planted)->references, 0);
  for (const sim::ModuleLoadRecord& load : world().moduleLoads) {
    EXPECT_NE(load.path, planted);
  }
}

TEST_F(VersionGateTest, RefusedCleanupEndsTheRunBeforeTheInstallation) {
  RegisterVersion(Version29);
  InstallExcel(12, "C:\\Office12");
  world().RegistryKeyAt(platform::kCurrentUser,
                        "SOFTWARE\\Microsoft\\Office\\12.0\\Excel\\"
                        "Resiliency\\DisabledItems",
                        true);
  world().faults.FailCall("SHDeleteKeyA", 1, 5);
  RunLauncher(kExe);
  ExpectOneBox("Data can not be removed from Registry.");
  EXPECT_FALSE(Installed());
}

TEST_F(MainSequenceTest, ReportIsOwnedByTheLaunchersForegroundWindowOnly) {
  world().currentThreadId = 3;
  world().AddWindow(0x50, 3);
  world().foregroundWindow = 0x50;
  RunLauncher("");
  ASSERT_EQ(world().messageBoxes.size(), 1u);
  EXPECT_EQ(world().messageBoxes[0].owner, 0x50u);

  world().messageBoxes.clear();
  world().AddWindow(0x60, 99);
  world().foregroundWindow = 0x60;
  RunLauncher("");
  ASSERT_EQ(world().messageBoxes.size(), 1u);
  EXPECT_EQ(world().messageBoxes[0].owner, 0u);
}

}  // namespace
