#include "registry/resiliency_cleanup.h"

#include "platform/registry_api.h"
#include "tests/support/sim_test.h"

namespace {

const std::string kOffice12 = "SOFTWARE\\Microsoft\\Office\\12.0\\";
const std::string kOffice11 = "SOFTWARE\\Microsoft\\Office\\11.0\\";

class ResiliencyCleanupTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    InstallExcel(12, "C:\\Office12");
  }
  void Record(const std::string& office, const std::string& subkey) {
    world().RegistryKeyAt(platform::kCurrentUser,
                          office + "Excel\\Resiliency\\" + subkey, true);
  }
  bool HasResiliency(const std::string& office) {
    return world().RegistryKeyAt(platform::kCurrentUser,
                                 office + "Excel\\Resiliency") != nullptr;
  }
  LauncherError error;
};

TEST_F(ResiliencyCleanupTest, RecordsOfTheLocatedExcelAreRemovedWhole) {
  RegisterRuntimeAddin("C:\\Sheltra\\SheltraRuntime.dll");
  Record(kOffice12, "StartupItems");
  Record(kOffice12, "Other");
  world().SetRegistryDword(platform::kCurrentUser, kOffice12 + "Excel\\Resiliency",
                           "Flag", 1);
  Record(kOffice11, "DisabledItems");
  EXPECT_TRUE(CleanExcelResiliency(error));
  EXPECT_FALSE(HasResiliency(kOffice12));
  EXPECT_TRUE(HasResiliency(kOffice11));
  EXPECT_EQ(error, "");
  EXPECT_EQ(world().openRegistryKeys, 0);
}

TEST_F(ResiliencyCleanupTest, DisabledItemsAloneAlsoCount) {
  RegisterRuntimeAddin("C:\\Sheltra\\SheltraRuntime.dll");
  Record(kOffice12, "DisabledItems");
  EXPECT_TRUE(CleanExcelResiliency(error));
  EXPECT_FALSE(HasResiliency(kOffice12));
}

TEST_F(ResiliencyCleanupTest, NothingIsTouchedWithoutReason) {
  Record(kOffice12, "StartupItems");
  EXPECT_TRUE(CleanExcelResiliency(error));
  EXPECT_TRUE(HasResiliency(kOffice12));

  RegisterRuntimeAddin("C:\\Sheltra\\SheltraRuntime.dll");
  world().RegistryKeyAt(platform::kCurrentUser, kOffice12 + "Excel\\Resiliency")
      ->subkeys.clear();
  EXPECT_TRUE(CleanExcelResiliency(error));
  EXPECT_TRUE(HasResiliency(kOffice12));
}

TEST_F(ResiliencyCleanupTest, WithoutALocatedExcelNoTopLevelKeyIsDeleted) {
  world().registry[platform::kLocalMachine].subkeys.clear();
  RegisterRuntimeAddin("C:\\Sheltra\\SheltraRuntime.dll");
  Record("", "StartupItems");
  world().faults.FailCall("SHDeleteKeyA", 1, 5);
  EXPECT_TRUE(CleanExcelResiliency(error));
  EXPECT_TRUE(HasResiliency(""));
  EXPECT_TRUE(world().faults.ShouldFail("SHDeleteKeyA"));
}

TEST_F(ResiliencyCleanupTest, RefusedDeletionIsReported) {
  RegisterRuntimeAddin("C:\\Sheltra\\SheltraRuntime.dll");
  Record(kOffice12, "StartupItems");
  error = "an earlier message";
  world().faults.FailCall("SHDeleteKeyA", 1, 5 /* ERROR_ACCESS_DENIED */);
  EXPECT_FALSE(CleanExcelResiliency(error));
  EXPECT_EQ(error, "Data can not be removed from Registry.");
}

TEST_F(ResiliencyCleanupTest, KeyAlreadyGoneCountsAsRemoved) {
  RegisterRuntimeAddin("C:\\Sheltra\\SheltraRuntime.dll");
  Record(kOffice12, "StartupItems");
  world().faults.FailCall("SHDeleteKeyA", 1, 2 /* ERROR_FILE_NOT_FOUND */);
  EXPECT_TRUE(CleanExcelResiliency(error));
  EXPECT_EQ(error, "");
}

}  // namespace
