#include "launcher/help_file.h"

#include "common/messages.h"
#include "launcher/main_sequence.h"
#include "resources/resource_catalogue.h"
#include "tests/doubles/excel_automation/excel_double_inproc.h"
#include "tests/support/record_bytes.h"
#include "tests/support/sim_test.h"
#include "tests/support/zip_test_archive.h"

namespace {

namespace fs = std::filesystem;

const std::string kExe = "C:\\Tools\\Budget.exe";
const std::string kTemp = "C:\\Users\\u\\AppData\\Local\\Temp\\";

class HelpFileTest : public SimTest {
 protected:
  void Carry(std::vector<std::uint8_t> helpData) {
    world().AddResource(kExe, "CHM", 115, std::move(helpData));
  }

  // Runs the step with an error text left by an earlier step, which a
  // failure replaces and a success leaves.
  LauncherError Write(bool soleStart = true) {
    ResourceCatalogue catalogue;
    LauncherError error = "earlier";
    WriteHelpFile(catalogue, kExe, soleStart, error);
    return error;
  }

  // A help file of an earlier run, "old", made read-only.
  void PutReadOnlyHelpFile() {
    PutFile(kTemp + "Guide.chm", "old");
    world().fileRecords[world().HostPath(kTemp + "Guide.chm")].attributes =
        platform::file_attribute::kReadOnly;
  }

  // Every regular file of the sandbox, as host paths.
  std::vector<fs::path> FilesWritten() {
    std::vector<fs::path> files;
    for (const auto& entry :
         fs::recursive_directory_iterator(world().sandboxRoot)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    return files;
  }
};

TEST_F(HelpFileTest, WritesTheContentUnderItsNameIntoTheTemporaryFolder) {
  Carry(HelpBytes("Guide.chm", 3, "ITS"));
  EXPECT_EQ(Write(), "earlier");
  EXPECT_EQ(FileContent(kTemp + "Guide.chm"), "ITS");
  EXPECT_EQ(FilesWritten().size(), 1u);
}

TEST_F(HelpFileTest, ReplacesTheFileOfAnEarlierRun) {
  PutFile(kTemp + "Guide.chm", "a longer help file of an earlier run");
  Carry(HelpBytes("Guide.chm", 3, "ITS"));
  EXPECT_EQ(Write(), "earlier");
  EXPECT_EQ(FileContent(kTemp + "Guide.chm"), "ITS");
}

// A killed start's partial help file goes once no other start may be
// writing it; another program's file in the shared temporary folder stays.
TEST_F(HelpFileTest, LeftoversBesideTheHelpFileGoOnlyForASoleStart) {
  Carry(HelpBytes("Guide.chm", 3, "ITS"));
  const std::string leftover = kTemp + "Guide.chm.77-1.partial";
  const std::string another = kTemp + "Notes.chm.77-1.partial";
  PutFile(another, "another program's");
  for (const bool soleStart : {false, true}) {
    PutFile(leftover, "part of a help file");
    EXPECT_EQ(Write(soleStart), "earlier");
    EXPECT_EQ(platform::PathExists(leftover), !soleStart);
    EXPECT_EQ(FileContent(another), "another program's");
    EXPECT_EQ(FileContent(kTemp + "Guide.chm"), "ITS");
  }
}

TEST_F(HelpFileTest, PlaceholderOrNoResourceWritesAndSaysNothing) {
  EXPECT_EQ(Write(), "earlier");
  Carry(Bytes("1"));
  EXPECT_EQ(Write(), "earlier");
  EXPECT_TRUE(FilesWritten().empty());
}

TEST_F(HelpFileTest, EmptyNameIsReported) {
  Carry(HelpBytes("", 3, "ITS"));
  EXPECT_EQ(Write(), messages::kHelpFileNameMissing);
  EXPECT_TRUE(FilesWritten().empty());
}

TEST_F(HelpFileTest, ReadOnlyFileIsReportedWithItsFullPathAndKept) {
  PutReadOnlyHelpFile();
  Carry(HelpBytes("Guide.chm", 3, "ITS"));
  EXPECT_EQ(Write(), "Help File '" + kTemp + "Guide.chm' can not be created.");
  EXPECT_EQ(FileContent(kTemp + "Guide.chm"), "old");
}

TEST_F(HelpFileTest, MalformedDataIsReportedAndWritesNothing) {
  // Longer than what follows: no file with a made-up tail.
  Carry(HelpBytes("Guide.chm", 5, "ITS"));
  EXPECT_EQ(Write(), messages::kHelpDataNotLoaded);
  EXPECT_TRUE(FilesWritten().empty());
}

TEST_F(HelpFileTest, NameThatLeavesTheTemporaryFolderIsRefused) {
  for (const std::string name :
       {"..\\Guide.chm", "../Guide.chm", "C:\\Guide.chm", ".."}) {
    Carry(HelpBytes(name, 3, "ITS"));
    EXPECT_EQ(Write(), messages::HelpFileNotCreated(kTemp + name)) << name;
  }
  EXPECT_TRUE(FilesWritten().empty());
}

TEST_F(HelpFileTest, PathOverTheLimitIsRefusedNotCut) {
  const std::size_t longest = 259 - kTemp.size();
  Carry(HelpBytes(std::string(longest, 'g'), 3, "ITS"));
  EXPECT_EQ(Write(), "earlier");
  EXPECT_EQ(FileContent(kTemp + std::string(longest, 'g')), "ITS");

  const std::string tooLong(longest + 1, 'h');
  Carry(HelpBytes(tooLong, 3, "ITS"));
  EXPECT_EQ(Write(), messages::HelpFileNotCreated(kTemp + tooLong));
  EXPECT_EQ(FilesWritten().size(), 1u);
}

TEST_F(HelpFileTest, ReadOnlyHelpFileIsReportedAtTheEndOfTheRun) {
  world().AddResource(kExe, "EXT", 106, {'.', 'x', 'l', 'a', 'm', 0});
  world().AddResource(kExe, "RUNTIME", 102,
                      OneEntryZip("SheltraRuntime.dll", "MZ module"));
  world().AddResource(kExe, "XLAM", 119, Bytes("PK loader add-in"));
  excel_double::RegisterInSimWorld();
  PutReadOnlyHelpFile();
  Carry(HelpBytes("Guide.chm", 3, "ITS"));

  RunLauncher(kExe);
  ASSERT_EQ(world().messageBoxes.size(), 1u);
  EXPECT_EQ(world().messageBoxes[0].text,
            messages::HelpFileNotCreated(kTemp + "Guide.chm"));
}

}  // namespace
