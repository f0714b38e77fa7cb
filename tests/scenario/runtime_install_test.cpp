#include "install/runtime_install.h"

#include "common/messages.h"
#include "install/product_folder.h"
#include "platform/files.h"
#include "resources/resource_stager.h"
#include "tests/support/sim_test.h"
#include "tests/support/zip_test_archive.h"

namespace {

const std::string kExe = "C:\\Tools\\Budget.exe";
const std::string kInstalled =
    "C:\\Users\\u\\AppData\\Local\\Quorvane\\SheltraRuntime.dll";
const std::string kModuleBytes = "MZ runtime module double";

class RuntimeInstallTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    std::filesystem::create_directories(
        world().HostPath("C:\\Users\\u\\AppData\\Local"));
    std::filesystem::create_directories(world().HostPath("C:\\Program Files"));
    CarryRuntime(OneEntryZip("bin/runtime.dll", kModuleBytes));
  }

  void CarryRuntime(std::vector<std::uint8_t> archive) {
    world().AddResource(kExe, "RUNTIME", 102, std::move(archive));
  }

  bool Install() { return InstallRuntime(kExe, runtimePath, error); }

  bool TempFolderIsEmpty() {
    return std::filesystem::is_empty(world().HostPath(world().tempFolder));
  }

  std::string runtimePath;
  LauncherError error;
};

TEST_F(RuntimeInstallTest, InstallsTheFirstEntryUnderItsFixedName) {
  ASSERT_TRUE(Install()) << error;
  EXPECT_EQ(runtimePath, kInstalled);
  EXPECT_EQ(FileContent(kInstalled), kModuleBytes);
  EXPECT_EQ(error, "");
  EXPECT_TRUE(TempFolderIsEmpty());
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

TEST_F(RuntimeInstallTest, ReplacesTheModuleOfAnEarlierStart) {
  PutFile(kInstalled, "older module");
  ASSERT_TRUE(Install()) << error;
  EXPECT_EQ(FileContent(kInstalled), kModuleBytes);
}

TEST_F(RuntimeInstallTest, ModuleInUseIsKeptAsItIs) {
  PutFile(kInstalled, "module loaded by Excel");
  world().lockedFiles.insert(world().HostPath(kInstalled));
  ASSERT_TRUE(Install()) << error;
  EXPECT_EQ(runtimePath, kInstalled);
  EXPECT_EQ(FileContent(kInstalled), "module loaded by Excel");
  EXPECT_EQ(error, "");
}

TEST_F(RuntimeInstallTest, FallsBackToProgramFiles) {
  world().shellFolders.erase(kCsidlLocalAppData);
  ASSERT_TRUE(Install()) << error;
  EXPECT_EQ(runtimePath, "C:\\Program Files\\Quorvane\\SheltraRuntime.dll");
  EXPECT_EQ(FileContent(runtimePath), kModuleBytes);
}

TEST_F(RuntimeInstallTest, NoFolderForTheInstallation) {
  world().modules.erase("shell32.dll");
  error = "earlier text";
  runtimePath = "untouched";
  EXPECT_FALSE(Install());
  EXPECT_EQ(error, "Sheltra was unable to locate Application Data folder.");
  EXPECT_EQ(runtimePath, "untouched");
}

TEST_F(RuntimeInstallTest, ExecutableWithoutRuntime) {
  world().FindModule(kExe)->resources.clear();
  EXPECT_FALSE(Install());
  EXPECT_EQ(error, "Sheltra Runtime can not be found in executable.");
  EXPECT_EQ(runtimePath, "");
}

TEST_F(RuntimeInstallTest, RuntimeThatIsNoArchiveLeavesNothingBehind) {
  CarryRuntime(Bytes("this is not a zip archive"));
  EXPECT_FALSE(Install());
  EXPECT_EQ(error, messages::RuntimeNotInstalled(kInstalled));
  EXPECT_EQ(error.substr(error.find('\n') + 1), kInstalled);
  EXPECT_EQ(platform::QueryFileAttributes(kInstalled),
            platform::file_attribute::kInvalid);
  EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_F(RuntimeInstallTest, DamagedRuntimeIsNeverLeftAtTheTarget) {
  TestEntry module;
  module.data = kModuleBytes;
  TestEntry crcAltered = module, sizeRaised = module, dataCut = module;
  crcAltered.crcXor = 1;
  sizeRaised.uncompressedDelta = 1;
  dataCut.cutData = 4;
  for (const TestEntry& damaged : {crcAltered, sizeRaised, dataCut}) {
    CarryRuntime(Bytes(BuildZip({damaged})));
    error.clear();
    EXPECT_FALSE(Install());
    EXPECT_EQ(error, messages::RuntimeNotInstalled(kInstalled));
    EXPECT_EQ(platform::QueryFileAttributes(kInstalled),
              platform::file_attribute::kInvalid);
    EXPECT_TRUE(TempFolderIsEmpty());
  }
}

TEST_F(RuntimeInstallTest, UnwritableProductFolderIsReported) {
  PutFile("C:\\Users\\u\\AppData\\Local\\Quorvane", "a file, not a folder");
  EXPECT_FALSE(Install());
  EXPECT_EQ(error, messages::RuntimeNotInstalled(kInstalled));
}

TEST_F(RuntimeInstallTest, TakenTemporaryNamesAreSkippedNotDeleted) {
  // The staging counter is shared by the process: learn where it stands.
  const std::string probe = ResourceStager().MakeTempName();
  const std::string prefix = world().tempFolder + "4242";
  ASSERT_EQ(probe.rfind(prefix, 0), 0u) << probe;
  const int counter = std::stoi(probe.substr(prefix.size()));
  std::vector<std::string> taken;
  for (int next : {counter + 1, counter + 2}) {
    taken.push_back(prefix + std::to_string(next) + ".dat");
    PutFile(taken.back(), "another launcher's staging file");
  }

  ASSERT_TRUE(Install()) << error;
  for (const std::string& name : taken) {
    EXPECT_EQ(FileContent(name), "another launcher's staging file");
  }
  EXPECT_EQ(FileContent(kInstalled), kModuleBytes);
}

}  // namespace
