#include "install/runtime_version.h"

#include "tests/support/sim_test.h"

namespace {

std::int32_t Version28() { return 28; }
std::int32_t Version29() { return 29; }
std::int32_t Version300() { return 300; }
std::int32_t VersionNegative() { return -29; }

const std::string kModule = "C:\\Program Files\\Sheltra\\SheltraRuntime.dll";

class RuntimeVersionTest : public SimTest {
 protected:
  void GiveVersion(std::int32_t (*version)()) {
    world().AddModule(kModule).exports["RtmGetVersion"] =
        reinterpret_cast<void*>(version);
  }
};

TEST_F(RuntimeVersionTest, TwentyNineOrMorePasses) {
  GiveVersion(Version29);
  EXPECT_TRUE(CheckRuntimeVersion(kModule));
  GiveVersion(Version300);
  EXPECT_TRUE(CheckRuntimeVersion(kModule));
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

TEST_F(RuntimeVersionTest, OlderOrNegativeVersionFails) {
  GiveVersion(Version28);
  EXPECT_FALSE(CheckRuntimeVersion(kModule));
  GiveVersion(VersionNegative);
  EXPECT_FALSE(CheckRuntimeVersion(kModule));
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

TEST_F(RuntimeVersionTest, MissingExportOrUnloadableModuleFails) {
  world().AddModule(kModule);
  EXPECT_FALSE(CheckRuntimeVersion(kModule));
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
  EXPECT_FALSE(CheckRuntimeVersion("C:\\missing.dll"));
}

TEST_F(RuntimeVersionTest, ModuleIsLoadedByItsFullPathOnly) {
  GiveVersion(Version29);
  EXPECT_TRUE(CheckRuntimeVersion(kModule));
  ASSERT_EQ(world().moduleLoads.size(), 1u);
  EXPECT_EQ(world().moduleLoads[0].as, platform::LoadAs::kModuleByFullPath);

  // A module registered without its full path would be searched for, and a
  // copy planted in the current folder found: it is not loaded at all.
  for (const char* path :
       {"SheltraRuntime.dll", "C:SheltraRuntime.dll", "\\SheltraRuntime.dll"}) {
    world().AddModule(path).exports["RtmGetVersion"] =
        reinterpret_cast<void*>(&Version29);
    EXPECT_FALSE(CheckRuntimeVersion(path)) << path;
  }
  EXPECT_EQ(world().moduleLoads.size(), 1u);
}

}  // namespace
