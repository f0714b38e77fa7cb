#include "registry/registry_access.h"

#include "tests/support/sim_test.h"

namespace {

const std::string kKey = "Software\\Quorvane\\Test";
constexpr std::uint32_t kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3,
                        kRegQword = 11;

class RegistryAccessTest : public SimTest {
 protected:
  void SetValue(const std::string& name, std::uint32_t type,
                std::vector<std::uint8_t> data) {
    world().SetRegistryValue(platform::kCurrentUser, kKey, name, type,
                             std::move(data));
  }
};

TEST_F(RegistryAccessTest, MissingKeyIsNotOpenAndClosesTheEarlierOne) {
  world().RegistryKeyAt(platform::kCurrentUser, kKey, true);
  RegistryAccess access(kKey, platform::kCurrentUser);
  ASSERT_TRUE(access.IsOpen());
  EXPECT_EQ(access.OpenError(), platform::kErrorSuccess);
  world().faults.FailCall("RegOpenKeyExA", 1, 5 /* ERROR_ACCESS_DENIED */);
  EXPECT_FALSE(access.Open(kKey, platform::kCurrentUser));
  EXPECT_EQ(access.OpenError(), 5);
  EXPECT_FALSE(access.Open("Software\\Missing", platform::kCurrentUser));
  EXPECT_EQ(access.OpenError(), platform::kErrorFileNotFound);
  EXPECT_FALSE(access.IsOpen());
  EXPECT_EQ(world().openRegistryKeys, 0);
  EXPECT_EQ(access.QueryDword("x", 7), 0);
  std::string text = "untouched";
  EXPECT_FALSE(access.QueryString("x", text));
  EXPECT_EQ(text, "untouched");
}

TEST_F(RegistryAccessTest, KeyIsClosedExactlyOnce) {
  world().RegistryKeyAt(platform::kCurrentUser, kKey, true);
  {
    RegistryAccess access(kKey, platform::kCurrentUser);
    EXPECT_EQ(world().openRegistryKeys, 1);
    access.Close();
    EXPECT_EQ(world().openRegistryKeys, 0);
  }
  {
    RegistryAccess access(kKey, platform::kCurrentUser);
  }
  EXPECT_EQ(world().openRegistryKeys, 0);
}

TEST_F(RegistryAccessTest, DwordIsReadOnlyWhenExactlyFourBytesCome) {
  world().SetRegistryDword(platform::kCurrentUser, kKey, "LoadBehavior", 3);
  SetValue("Wide", kRegQword, {1, 0, 0, 0, 0, 0, 0, 0});
  SetValue("Short", kRegBinary, {9, 9});
  SetValue("Text", kRegSz, {'a', 'b', 'c', 0});
  RegistryAccess access(kKey, platform::kCurrentUser);
  EXPECT_EQ(access.QueryDword("LoadBehavior", 0), 3);
  EXPECT_EQ(access.QueryDword("loadbehavior", 0), 3);
  EXPECT_EQ(access.QueryDword("Missing", 42), 42);
  EXPECT_EQ(access.QueryDword("Wide", 42), 42);
  EXPECT_EQ(access.QueryDword("Short", 42), 42);
  // The type is not examined: four bytes of text are read as a number.
  EXPECT_EQ(access.QueryDword("Text", 42), 0x00636261);
}

TEST_F(RegistryAccessTest, TextIsReadUpToItsFirstNul) {
  SetValue("", kRegSz, {'C', ':', '\\', 'x', 0});
  SetValue("Unterminated", kRegSz, {'a', 'b', 'c'});
  SetValue("Expand", kRegExpandSz,
           {'%', 'T', 'E', 'M', 'P', '%', '\\', 'a', 0});
  SetValue("Binary", kRegBinary, {'h', 'i', 0, 'x', 'y'});
  SetValue("Huge", kRegSz, std::vector<std::uint8_t>(1 << 20, 'z'));
  RegistryAccess access(kKey, platform::kCurrentUser);
  std::string text;
  ASSERT_TRUE(access.QueryString("", text));
  EXPECT_EQ(text, "C:\\x");
  ASSERT_TRUE(access.QueryString("Unterminated", text));
  EXPECT_EQ(text, "abc");
  ASSERT_TRUE(access.QueryString("Expand", text));
  EXPECT_EQ(text, "%TEMP%\\a");
  ASSERT_TRUE(access.QueryString("Binary", text));
  EXPECT_EQ(text, "hi");
  ASSERT_TRUE(access.QueryString("Huge", text));
  EXPECT_EQ(text.size(), 1u << 20);
}

TEST_F(RegistryAccessTest, EmptyOrMissingTextLeavesTheOutputAlone) {
  SetValue("Empty", kRegSz, {0});
  SetValue("NoData", kRegSz, {});
  RegistryAccess access(kKey, platform::kCurrentUser);
  std::string text = "untouched";
  EXPECT_FALSE(access.QueryString("Empty", text));
  EXPECT_FALSE(access.QueryString("NoData", text));
  EXPECT_FALSE(access.QueryString("Missing", text));
  world().faults.FailCall("RegQueryValueExA", 2, 5);
  world().SetRegistryText(platform::kCurrentUser, kKey, "Path", "C:\\x");
  EXPECT_FALSE(access.QueryString("Path", text));
  EXPECT_EQ(text, "untouched");
}

TEST_F(RegistryAccessTest, UnboundEntryPointsMeanNoKey) {
  // Each entry point in turn, then advapi32 itself, is missing from a fresh
  // process.
  for (const char* missing :
       {"RegOpenKeyExA", "RegCloseKey", "RegQueryValueExA", "advapi32.dll"}) {
    SCOPED_TRACE(missing);
    StartFromEmptyWorld();
    world().RegistryKeyAt(platform::kCurrentUser, kKey, true);
    world().FindModule("advapi32.dll")->exports.erase(missing);
    world().modules.erase(missing);
    RegistryAccess access(kKey, platform::kCurrentUser);
    EXPECT_FALSE(access.IsOpen());
    EXPECT_EQ(access.OpenError(), platform::kErrorProcNotFound);
    EXPECT_EQ(access.QueryDword("x", 5), 0);
    EXPECT_EQ(world().openRegistryKeys, 0);
  }
}

TEST_F(RegistryAccessTest, EntryPointsAreBoundOncePerProcess) {
  world().RegistryKeyAt(platform::kCurrentUser, kKey, true);
  ASSERT_TRUE(RegistryAccess(kKey, platform::kCurrentUser).IsOpen());
  world().FindModule("advapi32.dll")->exports.clear();
  EXPECT_TRUE(RegistryAccess(kKey, platform::kCurrentUser).IsOpen());
}

}  // namespace
