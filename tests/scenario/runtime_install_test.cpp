#include "install/runtime_install.h"

#include <algorithm>
#include <set>

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
const std::string kProductFolder = "C:\\Users\\u\\AppData\\Local\\Quorvane";
const std::set<std::string> kJustTheModule = {"SheltraRuntime.dll"};

namespace attribute = platform::file_attribute;

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

  bool Install(bool soleStart = true) {
    return InstallRuntime(kExe, soleStart, runtimePath, error);
  }

  bool TempFolderIsEmpty() {
    return std::filesystem::is_empty(world().HostPath(world().tempFolder));
  }

  // The names in the product folder: the module, or nothing; never a
  // partial file.
  std::set<std::string> ProductFolderNames() {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(
             world().HostPath(kProductFolder))) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  std::uint32_t Attributes(const std::string& path) {
    return platform::QueryFileAttributes(path);
  }

  void MakeReadOnly(const std::string& path) {
    world().fileRecords[world().HostPath(path)].attributes =
        attribute::kReadOnly | attribute::kArchive;
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

TEST_F(RuntimeInstallTest, ReadOnlyModuleOfAnEarlierStartIsReplaced) {
  PutFile(kInstalled, "older module");
  MakeReadOnly(kInstalled);
  ASSERT_TRUE(Install()) << error;
  EXPECT_EQ(FileContent(kInstalled), kModuleBytes);
  EXPECT_EQ(Attributes(kInstalled), attribute::kArchive);
  EXPECT_EQ(ProductFolderNames(), kJustTheModule);
}

// A module a running Excel has loaded refuses deletion (access denied): it
// is used as it is at once, without waiting.
TEST_F(RuntimeInstallTest, ModuleLoadedByExcelIsKeptAtOnce) {
  for (const bool readOnly : {false, true}) {
    PutFile(kInstalled, "module loaded by Excel");
    if (readOnly) MakeReadOnly(kInstalled);
    world().loadedElsewhere.insert(world().HostPath(kInstalled));
    ASSERT_TRUE(Install()) << error;
    EXPECT_EQ(runtimePath, kInstalled);
    EXPECT_EQ(FileContent(kInstalled), "module loaded by Excel") << readOnly;
    EXPECT_EQ(Attributes(kInstalled) & attribute::kReadOnly,
              readOnly ? attribute::kReadOnly : 0u);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(world().pauses.empty());
    world().loadedElsewhere.clear();
  }
}

// A scanner holding the earlier module is waited out for up to 2 s; held
// longer, the module counts as in use and is used as it is.
TEST_F(RuntimeInstallTest, EarlierModuleHeldByAScannerIsWaitedFor) {
  for (const std::uint32_t hold : {400u, 5000u}) {
    world().pauses.clear();
    PutFile(kInstalled, "earlier module");
    HoldOpenFor(kInstalled, hold);
    ASSERT_TRUE(Install()) << error;
    EXPECT_EQ(FileContent(kInstalled),
              hold < 2000 ? kModuleBytes : "earlier module");
    EXPECT_EQ(PausedMilliseconds(), hold < 2000 ? 620u : 2000u) << hold;
    world().lockedFiles.clear();
  }
}

// A scanner opens the new module as soon as it is written. Held 400 ms,
// the module lands whole; held 5 s, the installation fails as it would
// without the wait, and the new file, still held, is left for a later
// start, which removes it once the scanner has let go, and only while it
// holds the start guard.
TEST_F(RuntimeInstallTest, NewModuleHeldByAScanner) {
  ScanWrittenFiles(400);
  ASSERT_TRUE(Install()) << error;
  EXPECT_EQ(FileContent(kInstalled), kModuleBytes);
  EXPECT_EQ(ProductFolderNames(), kJustTheModule);
  EXPECT_TRUE(TempFolderIsEmpty());

  std::filesystem::remove(world().HostPath(kInstalled));
  ScanWrittenFiles(5000);
  EXPECT_FALSE(Install());
  EXPECT_EQ(error, messages::RuntimeNotInstalled(kInstalled));
  const std::set<std::string> left = ProductFolderNames();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(left.begin()->starts_with("SheltraRuntime.dll.4242-") &&
              left.begin()->ends_with(".partial"))
      << *left.begin();

  world().lockedFiles.clear();
  world().afterWriterCloses = nullptr;
  for (const bool soleStart : {false, true}) {
    error.clear();
    ASSERT_TRUE(Install(soleStart)) << error;
    EXPECT_EQ(ProductFolderNames().size(), soleStart ? 1u : 2u);
    EXPECT_TRUE(ProductFolderNames().contains("SheltraRuntime.dll"));
  }
}

// A file renamed into a name deleted moments before is given the deleted
// file's creation time by the file system: the archive's times are applied
// once the module is in place.
TEST_F(RuntimeInstallTest, ArchiveTimesApplyToTheInstalledModule) {
  PutFile(kInstalled, "earlier module");
  const platform::FileTime earlierCreation{1000};
  world().fileRecords[world().HostPath(kInstalled)].creation = earlierCreation;
  TestEntry module;
  module.data = kModuleBytes;
  CarryRuntime(Bytes(BuildZip({module})));
  ASSERT_TRUE(Install()) << error;
  platform::FileTime recorded;
  ASSERT_TRUE(platform::SystemTimeToFileTime({2024, 5, 0, 4, 13, 25, 24, 0},
                                             recorded));
  const sim::SimFileRecord& installed =
      world().fileRecords[world().HostPath(kInstalled)];
  for (const auto& time :
       {installed.creation, installed.access, installed.modification}) {
    ASSERT_TRUE(time.has_value());
    EXPECT_EQ(time->ticks, recorded.ticks);
  }
}

TEST_F(RuntimeInstallTest, ReadOnlyEntryIsInstalledSoAndReplacedNextTime) {
  TestEntry module;
  module.data = kModuleBytes;
  module.externalAttributes = attribute::kReadOnly | attribute::kArchive;
  CarryRuntime(Bytes(BuildZip({module})));
  ASSERT_TRUE(Install()) << error;
  EXPECT_EQ(Attributes(kInstalled), module.externalAttributes);

  module.data = "MZ newer runtime module";
  CarryRuntime(Bytes(BuildZip({module})));
  ASSERT_TRUE(Install()) << error;
  EXPECT_EQ(FileContent(kInstalled), module.data);
  EXPECT_EQ(Attributes(kInstalled), module.externalAttributes);
  EXPECT_EQ(ProductFolderNames(), kJustTheModule);
}

// Every call of the file operations an installation makes, failed in turn:
// the module at its place is whole or absent, and nothing else is left.
TEST_F(RuntimeInstallTest, InstallationStoppedAtAnyFileCallLeavesNoPartialModule) {
  TestEntry module;
  module.data = SampleData(100000);
  module.externalAttributes = attribute::kReadOnly | attribute::kArchive;
  CarryRuntime(Bytes(BuildZip({module})));
  ASSERT_TRUE(Install()) << error;
  const std::vector<std::string> calls = world().faults.Calls();
  for (const char* operation :
       {"CreateTemporaryFile", "WriteToFile", "SeekFile", "ReadFromFile",
        "CreateFileForWriting", "ApplyFileTimes", "ApplyFileAttributes",
        "RenameFile", "RemoveFile", "FindFileNames"}) {
    const auto count = std::count(calls.begin(), calls.end(), operation);
    for (int nth = 1; nth <= count; ++nth) {
      error.clear();
      world().faults.FailCall(operation, nth);
      const bool installed = Install();
      const std::string where = std::string(operation) + " #" + std::to_string(nth);
      if (installed) {
        EXPECT_EQ(FileContent(kInstalled), module.data) << where;
      } else {
        EXPECT_EQ(error, messages::RuntimeNotInstalled(kInstalled)) << where;
        EXPECT_FALSE(platform::PathExists(kInstalled)) << where;
      }
      EXPECT_TRUE(ProductFolderNames().empty() ||
                  ProductFolderNames() == kJustTheModule)
          << where;
      EXPECT_TRUE(TempFolderIsEmpty()) << where;
    }
  }
}

TEST_F(RuntimeInstallTest, ArchiveWhoseFirstEntryIsAFolderInstallsNothing) {
  TestEntry folder;
  folder.name = "bin/";
  folder.externalAttributes = attribute::kDirectory;
  CarryRuntime(Bytes(BuildZip({folder})));
  EXPECT_FALSE(Install());
  EXPECT_EQ(error, messages::RuntimeNotInstalled(kInstalled));
  EXPECT_TRUE(ProductFolderNames().empty());
}

TEST_F(RuntimeInstallTest, FolderTooDeepForAPartialNameIsInstalledInPlace) {
  // "C:\" + 228 characters + "\Quorvane\SheltraRuntime.dll" is 259
  // characters: the module's path fits, a partial name beside it does not.
  const std::string base = "C:\\" + std::string(228, 'd');
  std::filesystem::create_directories(world().HostPath(base));
  world().shellFolders[kCsidlLocalAppData] = base;
  ASSERT_TRUE(Install()) << error;
  EXPECT_EQ(runtimePath.size(), 259u);
  EXPECT_EQ(FileContent(runtimePath), kModuleBytes);
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
