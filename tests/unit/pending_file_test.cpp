#include "install/pending_file.h"

#include <filesystem>
#include <set>
#include <string>

#include "install/file_writer.h"
#include "tests/support/sim_test.h"

namespace {

namespace attribute = platform::file_attribute;

const std::string kFolder = "C:\\Users\\u\\AppData\\Local\\Quorvane\\";
const std::string kPlace = kFolder + "shLdr.xlam";

class PendingFileTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    MakeProductFolder();
  }

  // For a test of many writes, each from nothing.
  void StartAgainWithTheProductFolder() {
    StartFromEmptyWorld();
    MakeProductFolder();
  }

  void MakeProductFolder() {
    std::filesystem::create_directories(world().HostPath(kFolder));
  }

  bool Write(const std::string& content, ExistingFile existing) {
    return WriteBytesToFile(kPlace, Bytes(content), existing);
  }

  std::set<std::string> FolderNames() {
    std::set<std::string> names;
    for (const auto& entry :
         std::filesystem::directory_iterator(world().HostPath(kFolder))) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  std::uint32_t& Attributes(const std::string& path) {
    return world().fileRecords[world().HostPath(path)].attributes;
  }

  // The name the next PendingFile of process 4242 tries first.
  std::string NextPartialName() {
    return kPlace + ".4242-" +
           std::to_string(world().nextUnpredictableNumber) + ".partial";
  }
};

TEST_F(PendingFileTest, ReachesItsPlaceOnlyWhenClosedAndMovedThere) {
  {
    const std::string first = NextPartialName();
    PendingFile pending(kPlace, ExistingFile::kReplaced);
    ASSERT_TRUE(pending);
    EXPECT_EQ(pending.Path(), first);
    EXPECT_FALSE(pending.MoveIntoPlace()) << "moved while still open";
    ASSERT_TRUE(pending.Close());
    EXPECT_FALSE(pending.Close());
  }
  // Never moved: the holder took its file away again.
  EXPECT_TRUE(FolderNames().empty());

  ASSERT_TRUE(Write("new add-in", ExistingFile::kReplaced));
  EXPECT_EQ(FileContent(kPlace), "new add-in");
  EXPECT_EQ(FolderNames(), std::set<std::string>{"shLdr.xlam"});
  EXPECT_TRUE(world().pauses.empty());
}

// A file planted under the name a start would write to is neither reused
// nor written through: the start takes another name, each start its own.
TEST_F(PendingFileTest, TakenNameIsSkippedNotWrittenThrough) {
  const std::string planted = NextPartialName();
  PutFile(planted, "planted");
  PendingFile pending(kPlace, ExistingFile::kReplaced);
  ASSERT_TRUE(pending);
  EXPECT_NE(pending.Path(), planted);
  PendingFile another(kPlace, ExistingFile::kReplaced);
  EXPECT_NE(another.Path(), pending.Path());
  ASSERT_TRUE(pending.Close());
  ASSERT_TRUE(pending.MoveIntoPlace());
  EXPECT_EQ(FileContent(planted), "planted");
}

// What moving into place does with the file already there, by rule and by
// the state of that file. A file that stays keeps its content and
// attributes, no new file is left beside it, and only a file held open by
// another process (a sharing violation) is waited for.
TEST_F(PendingFileTest, ExistingFileRules) {
  enum class Earlier { kNone, kPlain, kReadOnly, kLoadedReadOnly, kHeldReadOnly };
  struct Row {
    ExistingFile rule;
    Earlier earlier;
    bool placed;
  };
  const Row rows[] = {
      {ExistingFile::kKept, Earlier::kNone, true},
      {ExistingFile::kKept, Earlier::kPlain, false},
      {ExistingFile::kReplacedUnlessReadOnly, Earlier::kPlain, true},
      {ExistingFile::kReplacedUnlessReadOnly, Earlier::kReadOnly, false},
      {ExistingFile::kReplaced, Earlier::kNone, true},
      {ExistingFile::kReplaced, Earlier::kReadOnly, true},
      {ExistingFile::kReplaced, Earlier::kLoadedReadOnly, false},
      {ExistingFile::kReplaced, Earlier::kHeldReadOnly, false},
  };
  for (const Row& row : rows) {
    StartAgainWithTheProductFolder();
    const int index = static_cast<int>(&row - rows);
    const std::uint32_t readOnly = attribute::kReadOnly | attribute::kArchive;
    if (row.earlier != Earlier::kNone) {
      PutFile(kPlace, "earlier");
      if (row.earlier != Earlier::kPlain) Attributes(kPlace) = readOnly;
    }
    if (row.earlier == Earlier::kLoadedReadOnly) {
      world().loadedElsewhere.insert(world().HostPath(kPlace));
    }
    if (row.earlier == Earlier::kHeldReadOnly) HoldOpenFor(kPlace, 60000);

    EXPECT_EQ(Write("new", row.rule), row.placed) << "row " << index;
    EXPECT_EQ(FolderNames().size(), row.earlier == Earlier::kNone && !row.placed
                                        ? 0u
                                        : 1u)
        << "row " << index;
    if (row.placed) {
      EXPECT_EQ(FileContent(kPlace), "new") << "row " << index;
      EXPECT_EQ(Attributes(kPlace), attribute::kArchive) << "row " << index;
    } else {
      EXPECT_EQ(FileContent(kPlace), "earlier") << "row " << index;
      EXPECT_EQ(Attributes(kPlace),
                row.earlier == Earlier::kPlain ? attribute::kArchive : readOnly)
          << "row " << index;
    }
    // An earlier file held open for good (a running Excel keeps the add-in
    // it opened) is not waited for either: only a new file's hold is.
    EXPECT_EQ(PausedMilliseconds(), 0u) << "row " << index;
  }
}

// A scanner opens the new file as soon as it is closed: the move into place
// is repeated with growing pauses while the scanner holds it, for 2 s in
// all; held longer, the earlier file stays, and so does the new one, which
// only a later start can remove.
TEST_F(PendingFileTest, ScannerHoldingTheNewFileIsWaitedOutWithinTheBound) {
  for (const std::uint32_t hold : {1u, 400u, 1900u, 2001u, 5000u}) {
    StartAgainWithTheProductFolder();
    PutFile(kPlace, "earlier");
    ScanWrittenFiles(hold);
    const bool placed = hold <= 2000;
    EXPECT_EQ(Write("new", ExistingFile::kReplaced), placed) << hold;
    EXPECT_EQ(FileContent(kPlace), placed ? "new" : "earlier") << hold;
    EXPECT_EQ(FolderNames().size(), placed ? 1u : 2u) << hold;
    EXPECT_GE(PausedMilliseconds(), std::min(hold, 2000u)) << hold;
    EXPECT_LE(PausedMilliseconds(), 2000u) << hold;
    // Pauses grow from 20 ms, never beyond 500 ms.
    EXPECT_EQ(world().pauses.front(), 20u) << hold;
    for (std::size_t i = 1; i < world().pauses.size(); ++i) {
      EXPECT_LE(world().pauses[i], 500u) << hold;
    }
  }
}

// A place whose folder leaves no room for a name beside it within 259
// characters is written in place, by the same rules.
TEST_F(PendingFileTest, PlaceTooDeepForANameBesideItIsWrittenInPlace) {
  const std::string folder = "C:\\" + std::string(240, 'd') + "\\";
  const std::string place = folder + std::string(259 - folder.size(), 'f');
  std::filesystem::create_directories(world().HostPath(folder));
  EXPECT_TRUE(WriteBytesToFile(place, Bytes("first"), ExistingFile::kKept));
  EXPECT_FALSE(WriteBytesToFile(place, Bytes("second"), ExistingFile::kKept));
  Attributes(place) = attribute::kReadOnly;
  EXPECT_FALSE(WriteBytesToFile(place, Bytes("second"),
                                ExistingFile::kReplacedUnlessReadOnly));
  EXPECT_EQ(FileContent(place), "first");
  EXPECT_TRUE(WriteBytesToFile(place, Bytes("third"), ExistingFile::kReplaced));
  EXPECT_EQ(FileContent(place), "third");
  // A write that does not complete leaves no part of it in place.
  world().faults.FailCall("WriteToFile", 1);
  EXPECT_FALSE(WriteBytesToFile(place, Bytes("fourth"), ExistingFile::kReplaced));
  EXPECT_FALSE(platform::PathExists(place));
}

TEST_F(PendingFileTest, LeftoversAreRemovedReadOnlyOrNotUnlessHeld) {
  const std::string plain = kPlace + ".77-1.partial";
  const std::string readOnly = kFolder + "SheltraRuntime.dll.78.partial";
  const std::string held = kFolder + "SheltraRuntime.dll.79-2.partial";
  for (const std::string& path : {plain, readOnly, held}) PutFile(path, "x");
  PutFile(kPlace, "add-in");
  std::filesystem::create_directories(world().HostPath(kFolder + "d.partial"));
  Attributes(readOnly) = attribute::kReadOnly;
  HoldOpenFor(held, 60000);

  RemoveLeftoverPartialFiles(kFolder);
  EXPECT_EQ(FolderNames(),
            (std::set<std::string>{"shLdr.xlam", "d.partial",
                                   "SheltraRuntime.dll.79-2.partial"}));
  EXPECT_TRUE(world().pauses.empty());
}

}  // namespace
