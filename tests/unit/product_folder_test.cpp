#include "install/product_folder.h"

#include "platform/text.h"

#include "tests/support/sim_test.h"

namespace {

class ProductFolderTest : public SimTest {};

TEST_F(ProductFolderTest, ShellFolderGetsExactlyOneTrailingBackslash) {
  world().shellFolders[kCsidlLocalAppData] = "C:\\Users\\u\\AppData\\Local";
  EXPECT_EQ(GetLocalAppDataPath(), "C:\\Users\\u\\AppData\\Local\\");
  world().shellFolders[kCsidlProgramFiles] = "C:\\Program Files\\";
  EXPECT_EQ(GetProgramFilesPath(), "C:\\Program Files\\");
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

// In code page 932 "\x97\x5C" is a kanji whose second byte has the value of
// a backslash: a folder ending in it still takes its backslash.
TEST_F(ProductFolderTest, FolderEndingInADoubleByteCharacterTakesItsBackslash) {
  UseJapaneseCodePage();
  world().shellFolders[kCsidlLocalAppData] = "D:\\\x97\x5C";
  EXPECT_EQ(GetLocalAppDataPath(), "D:\\\x97\x5C\\");
}

// The shell's narrow query would hold 259 bytes: in a UTF-8 process a
// folder of 150 Cyrillic characters takes 300 and would come back cut.
TEST_F(ProductFolderTest, FolderIsWholeHoweverManyBytesItsCharactersTake) {
  world().processCodePage = platform::kUtf8CodePage;
  std::string folder = "C:\\";
  for (int i = 0; i < 150; ++i) folder += "\xD0\x96";  // Cyrillic Zhe
  world().shellFolders[kCsidlLocalAppData] = folder;
  EXPECT_EQ(GetLocalAppDataPath(), folder + "\\");
}

TEST_F(ProductFolderTest, OnlyAnExactSuccessCounts) {
  world().shellFolderResult = 1;  // S_FALSE
  EXPECT_EQ(GetLocalAppDataPath(), "");
  world().shellFolderResult = 0;
  world().shellFolders.erase(kCsidlProgramFiles);
  EXPECT_EQ(GetProgramFilesPath(), "");
}

TEST_F(ProductFolderTest, MissingShellQueryGivesEmptyPaths) {
  world().FindModule("shell32.dll")->exports.clear();
  EXPECT_EQ(GetLocalAppDataPath(), "");
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
  world().modules.erase("shell32.dll");
  EXPECT_EQ(GetLocalAppDataPath(), "");
}

TEST_F(ProductFolderTest, FolderThatCannotTakeItsBackslashCountsAsEmpty) {
  world().shellFolders[kCsidlLocalAppData] = "C:\\" + std::string(256, 'a');
  EXPECT_EQ(GetLocalAppDataPath(), "");
  world().tempFolder = "C:\\" + std::string(256, 't');
  EXPECT_EQ(GetTempFolderPath(), "");
  world().tempFolder = "C:\\Temp";
  EXPECT_EQ(GetTempFolderPath(), "C:\\Temp\\");
}

TEST_F(ProductFolderTest, ProductFolderIsCreatedOnceUnderItsBase) {
  std::filesystem::create_directories(world().HostPath("C:\\Base"));
  EXPECT_EQ(EnsureProductFolder("C:\\Base\\"), "C:\\Base\\Quorvane\\");
  EXPECT_TRUE(std::filesystem::is_directory(world().HostPath("C:\\Base\\Quorvane")));
  // Present now: no second creation is attempted.
  world().faults.FailCall("CreateFolder", 1);
  EXPECT_EQ(EnsureProductFolder("C:\\Base\\"), "C:\\Base\\Quorvane\\");
  EXPECT_TRUE(world().faults.ShouldFail("CreateFolder"));
}

TEST_F(ProductFolderTest, FileNamedLikeTheFolderCountsAsPresent) {
  PutFile("C:\\Base\\Quorvane", "not a folder");
  EXPECT_EQ(EnsureProductFolder("C:\\Base\\"), "C:\\Base\\Quorvane\\");
  EXPECT_EQ(FileContent("C:\\Base\\Quorvane"), "not a folder");
}

TEST_F(ProductFolderTest, ProductFolderOverThePathLimitIsEmpty) {
  const std::string base = "C:\\" + std::string(246, 'b') + "\\";
  EXPECT_EQ(EnsureProductFolder(base).size(), 259u);
  EXPECT_EQ(EnsureProductFolder("C:\\" + std::string(247, 'b') + "\\"), "");
}

}  // namespace
