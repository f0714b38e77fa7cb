#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/sim/sim_world.h"
#include "tests/support/record_bytes.h"
#include "tools/launcher_check/addin_checks.h"
#include "tools/launcher_check/launcher_image.h"
#include "tools/launcher_check/record_checks.h"
#include "tools/launcher_check/scratch_world.h"

namespace {

TEST(LauncherCheck, AsInvokerIsReadFromTheElementOnly) {
  const struct {
    const char* manifest;
    bool asInvoker;
  } cases[] = {
      {R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)", true},
      {R"(<v3:requestedExecutionLevel uiAccess='false' level='asInvoker'/>)", true},
      {R"(<requestedExecutionLevel level="requireAdministrator"/>)", false},
      {R"(<requestedExecutionLevel/><!-- level="asInvoker" -->)", false},
      {R"(<myrequestedExecutionLevel level="asInvoker"/>)", false},
      {R"(<requestedExecutionLevel level="asInvoker")", false},  // never closed
      {"", false},
  };
  for (const auto& [manifest, asInvoker] : cases) EXPECT_EQ(DeclaresAsInvoker(manifest), asInvoker) << manifest;
}

TEST(LauncherCheck, Utf8CodePageIsReadFromTheElementOnly) {
  const struct {
    const char* manifest;
    bool utf8;
  } cases[] = {
      {R"(<activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>)",
       true},
      {R"(<ws:activeCodePage>utf-8</ws:activeCodePage>)", true},
      {R"(<activeCodePage>Legacy</activeCodePage>)", false},
      {R"(<activeCodePage>UTF-8)", false},  // never closed
      {R"(<!-- UTF-8 --><activeCodePage/>)", false},
      {R"(<myactiveCodePage>UTF-8</myactiveCodePage>)", false},
      {"", false},
  };
  for (const auto& [manifest, utf8] : cases) EXPECT_EQ(DeclaresUtf8CodePage(manifest), utf8) << manifest;
}

TEST(LauncherCheck, ExtensionNeedsItsDotAndItsNul) {
  const struct {
    std::string bytes;
    Verdict verdict;
  } cases[] = {
      {std::string(".xlam\0", 6), Verdict::kOk},
      {std::string(".xlsm\0trailing", 14), Verdict::kOk},
      {".xlam", Verdict::kError},
      {std::string("xlam\0", 5), Verdict::kError},
      {std::string("\0", 1), Verdict::kError},
      {"", Verdict::kError},
  };
  for (const auto& [text, verdict] : cases) {
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    EXPECT_EQ(CheckExtension(Bytes(bytes)).verdict, verdict) << text.size() << " bytes";
  }
  EXPECT_EQ(CheckExtension(std::nullopt).verdict, Verdict::kError);
}

// The reader's scratch folder is made afresh under the temporary folder for
// its owner only, as mkdtemp makes one, and goes with what was written into
// it; two checks never share one.
// The findings cite the launcher's messages by the numbers its users are told.
TEST(LauncherCheck, FindingsNameTheLaunchersMessagesByNumber) {
  EXPECT_EQ(CheckAddinXla(std::nullopt).why,
            "missing: Excel below 12 would get message 12, "
            "\"Loaded addin can not be extracted from the executable.\"");
  const std::vector<std::uint8_t> help = HelpBytes("sub\\Guide.chm", 3, "ITS");
  EXPECT_EQ(CheckHelpData(help).why,
            "help-file name \"sub\\Guide.chm\" is not a plain file name: the "
            "launcher writes no help file and shows message 8");
}

TEST(LauncherCheck, ScratchFolderIsTheOwnersAloneAndGoesWithItsFiles) {
  namespace fs = std::filesystem;
  std::vector<fs::path> roots;
  for (int check = 0; check < 2; ++check) {
    ScratchWorld world(1252, true);
    ASSERT_TRUE(world.Ready());
    const fs::path root = sim::TheWorld().sandboxRoot;
    EXPECT_EQ(root.parent_path(), fs::temp_directory_path());
    EXPECT_EQ(fs::status(root).permissions(), fs::perms::owner_all);
    const std::vector<std::uint8_t> notAnArchive(64, 0x5A);
    EXPECT_EQ(world.OpenArchive(notAnArchive), nullptr);
    EXPECT_FALSE(fs::is_empty(root));
    roots.push_back(root);
  }
  EXPECT_NE(roots[0], roots[1]);
  for (const fs::path& root : roots) EXPECT_FALSE(fs::exists(root)) << root;
}

}  // namespace
