#include "registry/office_registry.h"

#include "platform/registry_api.h"
#include "tests/support/sim_test.h"

namespace {

const std::string kServer = "C:\\Program Files\\Sheltra\\SheltraRuntime.dll";
const std::string kAddinKey =
    "Software\\Microsoft\\Office\\Excel\\AddIns\\SheltraRuntime.Connect";

using OfficeRegistryTest = SimTest;

TEST_F(OfficeRegistryTest, NewestInstalledExcelIsLocated) {
  InstallExcel(11, "C:\\Office11");
  InstallExcel(12, "C:\\Office12\\");
  EXPECT_EQ(OfficeRegistry().GetOfficeVersionKey(),
            "SOFTWARE\\Microsoft\\Office\\12.0\\");
}

TEST_F(OfficeRegistryTest, InstallRootWithoutExcelIsPassedOver) {
  InstallExcel(11, "C:\\Office11");
  world().SetRegistryText(platform::kLocalMachine,
                          "SOFTWARE\\Microsoft\\Office\\12.0\\Excel\\InstallRoot",
                          "Path", "C:\\Office12");
  EXPECT_EQ(OfficeRegistry().GetOfficeVersionKey(),
            "SOFTWARE\\Microsoft\\Office\\11.0\\");
}

TEST_F(OfficeRegistryTest, OnlyGenerationsTwelveToNineAreProbed) {
  InstallExcel(16, "C:\\Office16");
  InstallExcel(8, "C:\\Office8");
  EXPECT_EQ(OfficeRegistry().GetOfficeVersionKey(), "");
}

TEST_F(OfficeRegistryTest, RegisteredAddinUnderTheUserOrTheMachine) {
  RegisterRuntimeAddin(kServer);
  OfficeRegistry user;
  EXPECT_TRUE(user.IsRuntimeAddinRegistered());
  EXPECT_EQ(user.GetRegisteredRuntimePath(), kServer);

  world().registry.clear();
  RegisterRuntimeAddin(kServer, platform::kLocalMachine);
  EXPECT_TRUE(OfficeRegistry().IsRuntimeAddinRegistered());
  EXPECT_EQ(world().openRegistryKeys, 0);
}

// Each edition reads the view of its own bitness, where an Excel of that
// bitness finds its add-ins: the x64 edition the native keys, the x86 one,
// on 64-bit Windows, those under Wow6432Node.
TEST_F(OfficeRegistryTest, MachineRegistrationCountsInTheProcesssOwnViewOnly) {
  for (const bool wow64Process : {false, true}) {
    for (const bool registeredIn32BitView : {false, true}) {
      world().registry.clear();
      world().wow64Process = wow64Process;
      RegisterRuntimeAddin(kServer, platform::kLocalMachine);
      if (registeredIn32BitView) {
        const std::string wow64Key = "Software\\Wow6432Node" + kAddinKey.substr(std::string("Software").size());
        world().SetRegistryDword(platform::kLocalMachine, wow64Key, "LoadBehavior", 3);
        world().RegistryKeyAt(platform::kLocalMachine, "Software", false)->subkeys.erase("microsoft");
      }
      EXPECT_EQ(OfficeRegistry().IsRuntimeAddinRegistered(), wow64Process == registeredIn32BitView)
          << "32-bit process on 64-bit Windows: " << wow64Process << ", registered in the 32-bit view: "
          << registeredIn32BitView;
    }
  }
}

TEST_F(OfficeRegistryTest, UserKeyHidesTheMachineKey) {
  RegisterRuntimeAddin(kServer, platform::kLocalMachine, 3);
  world().SetRegistryDword(platform::kCurrentUser, kAddinKey, "LoadBehavior", 2);
  EXPECT_FALSE(OfficeRegistry().IsRuntimeAddinRegistered());
}

TEST_F(OfficeRegistryTest, EachMissingPieceMeansNotRegistered) {
  RegisterRuntimeAddin(kServer);
  world().RegistryKeyAt(platform::kCurrentUser, kAddinKey)->values.clear();
  EXPECT_FALSE(OfficeRegistry().IsRuntimeAddinRegistered());

  RegisterRuntimeAddin(kServer);
  world().registry[platform::kClassesRoot].subkeys.erase("sheltraruntime.connect");
  OfficeRegistry withoutProgId;
  EXPECT_FALSE(withoutProgId.IsRuntimeAddinRegistered());
  // The path query alone does not look at the ProgID.
  EXPECT_EQ(withoutProgId.GetRegisteredRuntimePath(), kServer);

  RegisterRuntimeAddin(kServer);
  std::filesystem::remove(world().HostPath(kServer));
  OfficeRegistry withoutFile;
  EXPECT_FALSE(withoutFile.IsRuntimeAddinRegistered());
  EXPECT_EQ(withoutFile.GetRegisteredRuntimePath(), "");
}

TEST_F(OfficeRegistryTest, ServerPathIsNotExpanded) {
  RegisterRuntimeAddin(kServer);
  world().SetRegistryValue(
      platform::kClassesRoot,
      "CLSID\\{5B0E2C71-3F4A-4D86-9E13-7A2C4F6B8D05}\\InprocServer32", "",
      2 /* REG_EXPAND_SZ */,
      Bytes(std::string("%ProgramFiles%\\Sheltra\\SheltraRuntime.dll") + '\0'));
  EXPECT_FALSE(OfficeRegistry().IsRuntimeAddinRegistered());
}

TEST_F(OfficeRegistryTest, ServerThatIsAFolderCountsAsPresent) {
  RegisterRuntimeAddin(kServer);
  std::filesystem::remove(world().HostPath(kServer));
  std::filesystem::create_directories(world().HostPath(kServer));
  EXPECT_TRUE(OfficeRegistry().IsRuntimeAddinRegistered());
}

TEST_F(OfficeRegistryTest, RegistrationAnswerIsAskedOnce) {
  OfficeRegistry office;
  EXPECT_FALSE(office.IsRuntimeAddinRegistered());
  RegisterRuntimeAddin(kServer);
  // A negative answer is kept too: the registry is not read again.
  world().faults.FailCall("RegOpenKeyExA", 1, 2);
  EXPECT_FALSE(office.IsRuntimeAddinRegistered());
  EXPECT_TRUE(world().faults.ShouldFail("RegOpenKeyExA"));
}

}  // namespace
