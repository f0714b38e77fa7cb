#include "install/loader_addin.h"

#include <set>

#include "install/file_writer.h"
#include "install/product_folder.h"
#include "tests/support/sim_test.h"

namespace {

const std::string kExe = "C:\\Tools\\Budget.exe";
const std::string kProduct = "C:\\Users\\u\\AppData\\Local\\Quorvane\\";

class LoaderAddinTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    world().AddResource(kExe, "XLA", 121, Bytes("OLE2 add-in"));
    world().AddResource(kExe, "XLAM", 119, Bytes("PK add-in"));
  }
};

TEST_F(LoaderAddinTest, EditionFollowsExcelsMajorVersion) {
  for (std::int32_t version : {-1, 0, 11}) {
    EXPECT_EQ(ExtractLoaderAddin(kExe, version), kProduct + "shLdr.xla");
  }
  EXPECT_EQ(FileContent(kProduct + "shLdr.xla"), "OLE2 add-in");
  for (std::int32_t version : {12, 14}) {
    EXPECT_EQ(ExtractLoaderAddin(kExe, version), kProduct + "shLdr.xlam");
  }
  EXPECT_EQ(FileContent(kProduct + "shLdr.xlam"), "PK add-in");
  EXPECT_EQ(world().LoadedModuleReferences(), 0);
}

TEST_F(LoaderAddinTest, TemporaryFolderServesWithoutApplicationData) {
  world().shellFolders.erase(kCsidlLocalAppData);
  const std::string path = ExtractLoaderAddin(kExe, 12);
  EXPECT_EQ(path, world().tempFolder + "shLdr.xlam");
  EXPECT_EQ(FileContent(path), "PK add-in");
  EXPECT_FALSE(std::filesystem::exists(world().HostPath(kProduct)));
}

TEST_F(LoaderAddinTest, OtherEditionIsNoSubstitute) {
  world().FindModule(kExe)->resources.erase({"XLA", 121});
  EXPECT_EQ(ExtractLoaderAddin(kExe, 11), "");
}

TEST_F(LoaderAddinTest, OpenAddinIsUsedAsItIs) {
  PutFile(kProduct + "shLdr.xlam", "add-in Excel has open");
  world().lockedFiles.insert(world().HostPath(kProduct + "shLdr.xlam"));
  EXPECT_EQ(ExtractLoaderAddin(kExe, 12), kProduct + "shLdr.xlam");
  EXPECT_EQ(FileContent(kProduct + "shLdr.xlam"), "add-in Excel has open");

  world().lockedFiles.clear();
  EXPECT_EQ(ExtractLoaderAddin(kExe, 12), kProduct + "shLdr.xlam");
  EXPECT_EQ(FileContent(kProduct + "shLdr.xlam"), "PK add-in");
}

// An add-in kept because another process holds it (an Excel that has it
// open, or loaded) stays exactly as it was, its read-only attribute too.
TEST_F(LoaderAddinTest, ReadOnlyAddinInUseKeepsItsAttribute) {
  const std::filesystem::path host = world().HostPath(kProduct + "shLdr.xlam");
  for (std::set<std::filesystem::path>* holders :
       {&world().lockedFiles, &world().loadedElsewhere}) {
    PutFile(kProduct + "shLdr.xlam", "add-in Excel has open");
    world().fileRecords[host].attributes = platform::file_attribute::kReadOnly;
    holders->insert(host);
    EXPECT_EQ(ExtractLoaderAddin(kExe, 12), kProduct + "shLdr.xlam");
    EXPECT_EQ(FileContent(kProduct + "shLdr.xlam"), "add-in Excel has open");
    EXPECT_EQ(world().fileRecords[host].attributes,
              platform::file_attribute::kReadOnly);
    holders->clear();
  }
}

TEST_F(LoaderAddinTest, ReadOnlyAddinOfAnEarlierStartIsRewritten) {
  PutFile(kProduct + "shLdr.xlam", "older add-in");
  world().fileRecords[world().HostPath(kProduct + "shLdr.xlam")].attributes =
      platform::file_attribute::kReadOnly;
  EXPECT_EQ(ExtractLoaderAddin(kExe, 12), kProduct + "shLdr.xlam");
  EXPECT_EQ(FileContent(kProduct + "shLdr.xlam"), "PK add-in");
}

// A write that does not complete never reaches the add-in's place: the
// earlier add-in, if any, stays whole, and no partial file is left.
TEST_F(LoaderAddinTest, IncompleteWriteLeavesTheEarlierAddinOrNone) {
  for (const char* failing : {"WriteToFile", "CloseFileReporting", "RenameFile"}) {
    for (const bool earlier : {false, true}) {
      std::filesystem::remove_all(world().HostPath(kProduct));
      if (earlier) PutFile(kProduct + "shLdr.xlam", "earlier add-in");
      world().faults.FailCall(failing, 1);
      EXPECT_EQ(ExtractLoaderAddin(kExe, 12),
                earlier ? kProduct + "shLdr.xlam" : "")
          << failing;
      const std::size_t files = std::distance(
          std::filesystem::directory_iterator(world().HostPath(kProduct)),
          std::filesystem::directory_iterator());
      EXPECT_EQ(files, earlier ? 1u : 0u) << failing;
      if (earlier) {
        EXPECT_EQ(FileContent(kProduct + "shLdr.xlam"), "earlier add-in")
            << failing;
      }
    }
  }
}

TEST_F(LoaderAddinTest, EmptyBufferWritesAnEmptyFile) {
  std::filesystem::create_directories(world().HostPath("C:\\Out"));
  EXPECT_TRUE(
      WriteBytesToFile("C:\\Out\\empty.bin", {}, ExistingFile::kReplaced));
  EXPECT_TRUE(std::filesystem::exists(world().HostPath("C:\\Out\\empty.bin")));
  EXPECT_EQ(FileContent("C:\\Out\\empty.bin"), "");
  EXPECT_FALSE(WriteBytesToFile("C:\\Missing\\x.bin", Bytes("x"),
                                ExistingFile::kReplaced));
}

}  // namespace
