#include "resources/zip/zip_reader.h"

#include "tests/unit/zip/zip_test_fixture.h"

namespace {

using namespace zip_status;
namespace attribute = platform::file_attribute;

const std::string kTarget = "C:\\Users\\u\\out\\runtime.dll";

TEST_F(ZipTest, ExtractsStoredAndDeflatedEntriesByteForByte) {
  TestEntry stored{.name = "a.txt", .data = SampleData(40000, 1), .method = 0};
  TestEntry deflated{.name = "b.dll", .data = SampleData(100000, 2)};
  ZipHandle zip = Open(BuildZip({stored, deflated}));
  ASSERT_TRUE(zip);
  ASSERT_EQ(ExtractZipEntry(*zip, 1, kTarget), kOk);
  EXPECT_EQ(FileContent(kTarget), deflated.data);
  ASSERT_EQ(ExtractZipEntry(*zip, 0, kTarget), kOk);
  EXPECT_EQ(FileContent(kTarget), stored.data);
  EXPECT_EQ(CloseZip(std::move(zip)), kOk);
}

TEST_F(ZipTest, DescribesEntriesInAnyOrder) {
  std::vector<TestEntry> entries;
  for (int i = 0; i < 3; ++i) {
    entries.push_back({.name = "f" + std::to_string(i),
                       .data = std::string(10 + i, 'x'),
                       .method = static_cast<std::uint16_t>(i == 1 ? 0 : 8)});
  }
  ZipHandle zip = Open(BuildZip(entries));
  ASSERT_TRUE(zip);
  for (const int index : {2, 0, 1, 1, 0}) {
    ZipEntryInfo info;
    ASSERT_EQ(GetZipEntry(*zip, index, info), kOk);
    EXPECT_EQ(info.index, index);
    EXPECT_EQ(info.name, "f" + std::to_string(index));
    EXPECT_EQ(info.uncompressedSize, 10 + index);
  }
  ZipEntryInfo info;
  EXPECT_EQ(GetZipEntry(*zip, -1, info), kBadIndex);
  EXPECT_EQ(GetZipEntry(*zip, 3, info), kBadIndex);
  EXPECT_EQ(ExtractZipEntry(*zip, 3, kTarget), kBadIndex);
}

TEST_F(ZipTest, EndRecordIsFoundBehindCommentsOfManySizes) {
  // Sizes around the 1 KiB search steps put the signature across a chunk
  // boundary; 60,000 bytes is near the largest comment.
  for (const std::size_t size : {0, 1, 1000, 1001, 1002, 1003, 1004, 2030,
                                 2031, 2032, 60000, 65513}) {
    ZipHandle zip =
        Open(BuildZip({{.data = "hello"}}, {}, std::string(size, 'c')));
    ASSERT_TRUE(zip) << size;
    ASSERT_EQ(ExtractZipEntry(*zip, 0, kTarget), kOk) << size;
    EXPECT_EQ(FileContent(kTarget), "hello");
  }
}

TEST_F(ZipTest, EndRecordBeyondTheSearchedTailIsNotFound) {
  // A file of junk longer than the largest comment follows the archive.
  EXPECT_FALSE(Open(BuildZip({{.data = "x"}}) + std::string(65536, 'j')));
}

TEST_F(ZipTest, PrependedDataShiftsEveryArchivePosition) {
  const std::string stub = "MZ" + SampleData(5000, 3);
  TestEntry entry{.data = SampleData(30000, 4),
                  .localExtra = UtBlock(1, {1000000000})};
  ZipHandle zip = Open(BuildZip({entry, {.name = "two", .data = "2"}}, stub));
  ASSERT_TRUE(zip);
  ZipEntryInfo info;
  ASSERT_EQ(GetZipEntry(*zip, 0, info), kOk);
  EXPECT_EQ(info.modification->ticks, TicksOfUnixTime(1000000000));
  ASSERT_EQ(ExtractZipEntry(*zip, 0, kTarget), kOk);
  EXPECT_EQ(FileContent(kTarget), entry.data);
  ASSERT_EQ(ExtractZipEntry(*zip, 1, kTarget), kOk);
  EXPECT_EQ(FileContent(kTarget), "2");
}

TEST_F(ZipTest, NamesAreCleanedAndCut) {
  const struct {
    std::string stored;
    std::string reported;
  } cases[] = {
      {"C:\\x\\y.txt", "x\\y.txt"}, {"\\x\\y.txt", "x\\y.txt"},
      {"a\\..\\b.txt", "b.txt"},    {"//x/y/../c", "c"},
      {"a/..\\d:\\e", "e"},         {std::string(300, 'n'), std::string(259, 'n')},
  };
  for (const auto& c : cases) {
    ZipHandle zip = Open(BuildZip({{.name = c.stored, .data = "x"}}));
    ASSERT_TRUE(zip);
    ZipEntryInfo info;
    ASSERT_EQ(GetZipEntry(*zip, 0, info), kOk) << c.stored;
    EXPECT_EQ(info.name, c.reported);
  }
}

TEST_F(ZipTest, AttributesFollowTheHostSystem) {
  const struct {
    std::uint16_t madeBy;
    std::uint32_t external;
    std::uint32_t attributes;
  } cases[] = {
      {0x0014, 0x27, 0x27},          {0x0B14, 0xFFFFFFC1, 0x01},
      {0x0714, 0x22, 0x22},          {0x0E14, 0x04, 0x04},
      {0x0314, 0100644u << 16, 0x20}, {0x0314, 0100444u << 16, 0x21},
      {0x0314, 040755u << 16, 0x30},  {0x1314, 0x07, 0x21},
  };
  for (const auto& c : cases) {
    ZipHandle zip = Open(BuildZip(
        {{.data = "x", .versionMadeBy = c.madeBy, .externalAttributes = c.external}}));
    ASSERT_TRUE(zip);
    ZipEntryInfo info;
    ASSERT_EQ(GetZipEntry(*zip, 0, info), kOk);
    EXPECT_EQ(info.attributes, c.attributes) << std::hex << c.madeBy << " " << c.external;
  }
}

TEST_F(ZipTest, OutputCarriesTheEntryAttributesAndTimes) {
  TestEntry entry{.data = "body", .externalAttributes = 0x23,
                  .localExtra = "XY" + Uint16Bytes(2) + "zz" +
                                UtBlock(7, {1600000000, 1600000100, -1})};
  ASSERT_EQ(ExtractFirst({entry}, kTarget), kOk);
  const sim::SimFileRecord& record = Record(kTarget);
  EXPECT_EQ(record.attributes, 0x23u);
  EXPECT_EQ(record.modification->ticks, TicksOfUnixTime(1600000000));
  EXPECT_EQ(record.access->ticks, TicksOfUnixTime(1600000100));
  EXPECT_EQ(record.creation->ticks, TicksOfUnixTime(-1));
}

TEST_F(ZipTest, TimesMissingFromTheUtBlockComeFromTheLocalDosTime) {
  world().localTimeOffsetSeconds = 2 * 3600;
  TestEntry entry{.data = "body", .localExtra = UtBlock(2, {1600000100})};
  ZipHandle zip = Open(BuildZip({entry}));
  ASSERT_TRUE(zip);
  ZipEntryInfo info;
  ASSERT_EQ(GetZipEntry(*zip, 0, info), kOk);
  const std::uint64_t dos = TicksOfUnixTime(kDefaultDosUnixTime - 2 * 3600);
  EXPECT_EQ(info.modification->ticks, dos);
  EXPECT_EQ(info.creation->ticks, dos);
  EXPECT_EQ(info.access->ticks, TicksOfUnixTime(1600000100));
}

TEST_F(ZipTest, InvalidDosTimeLeavesTimesUnset) {
  // Month 0, and 2023-02-29.
  for (const std::uint32_t dosTime : {0x58806B2Cu, 0x565D6B2Cu}) {
    ASSERT_EQ(ExtractFirst({{.data = "x", .dosTime = dosTime}}, kTarget), kOk);
    const sim::SimFileRecord& record = Record(kTarget);
    EXPECT_FALSE(record.modification || record.access || record.creation);
  }
}

TEST_F(ZipTest, RelativeTargetsGoBelowTheFolderCurrentAtOpen) {
  ZipHandle zip = Open(BuildZip({{.data = "one"}}));
  ASSERT_TRUE(zip);
  world().currentFolder = "C:\\Elsewhere";
  ASSERT_EQ(ExtractZipEntry(*zip, 0, "plain.dll"), kOk);
  EXPECT_EQ(FileContent("C:\\Users\\u\\plain.dll"), "one");
  ASSERT_EQ(ExtractZipEntry(*zip, 0, "a\\b/c\\nested.dll"), kOk);
  EXPECT_EQ(FileContent("C:\\Users\\u\\a\\b\\c\\nested.dll"), "one");
  ASSERT_EQ(ExtractZipEntry(*zip, 0, "D:\\new\\chain\\abs.dll"), kOk);
  EXPECT_EQ(FileContent("D:\\new\\chain\\abs.dll"), "one");
}

// In code page 932 "\x95\x5C" is a kanji whose second byte has the value of
// a backslash: the folder chain is made of whole names, and no folder is
// named after the kanji's first byte alone.
TEST_F(ZipTest, FolderChainIsMadeOfWholeCharacters) {
  ZipHandle zip = Open(BuildZip({{.data = "one"}}));
  ASSERT_TRUE(zip);
  UseJapaneseCodePage();
  ASSERT_EQ(ExtractZipEntry(*zip, 0, "C:\\Users\\\x95\x5C\\Data\\one.dll"), kOk);
  EXPECT_EQ(FileContent("C:\\Users\\\x95\x5C\\Data\\one.dll"), "one");
  EXPECT_FALSE(Exists("C:\\Users\\\x95"));
}

TEST_F(ZipTest, DirectoryEntryMakesTheFolderChainAndNoFile) {
  ZipHandle zip = Open(BuildZip({{.name = "d/", .data = "", .method = 0,
                                  .externalAttributes = 0x10}}));
  ASSERT_TRUE(zip);
  ASSERT_EQ(ExtractZipEntry(*zip, 0, "C:\\p\\q\\r"), kOk);
  EXPECT_EQ(platform::QueryFileAttributes("C:\\p\\q\\r"), attribute::kDirectory);
  ASSERT_EQ(ExtractZipEntry(*zip, 0, "rel\\dir"), kOk);
  EXPECT_EQ(platform::QueryFileAttributes("C:\\Users\\u\\rel\\dir"),
            attribute::kDirectory);
}

TEST_F(ZipTest, PathsOverTheLimitFailWithoutCreatingAnything) {
  ZipHandle zip = Open(BuildZip({{.data = "x"}}));
  ASSERT_TRUE(zip);
  const std::string longName = std::string(259 - 11, 'n');  // + "C:\Users\u\"
  EXPECT_EQ(ExtractZipEntry(*zip, 0, longName), kOk);
  EXPECT_EQ(ExtractZipEntry(*zip, 0, longName + "x"), kCannotOpen);
  EXPECT_EQ(ExtractZipEntry(*zip, 0, "C:\\" + std::string(257, 'f')),
            kCannotOpen);
  EXPECT_EQ(ExtractZipEntry(*zip, 0, "deep\\" + std::string(250, 'f') + "\\x"),
            kCannotOpen);
  EXPECT_FALSE(Exists("C:\\Users\\u\\deep"));

  ZipHandle folder = Open(BuildZip({{.name = "d/", .data = "", .method = 0,
                                     .externalAttributes = 0x10}}));
  ASSERT_TRUE(folder);
  EXPECT_EQ(ExtractZipEntry(*folder, 0, "C:\\" + std::string(257, 'd')),
            kCannotOpen);
}

TEST_F(ZipTest, EmptyEntryExtractsAsAnEmptyFile) {
  for (const std::uint16_t method : {0, 8}) {
    ASSERT_EQ(ExtractFirst({{.data = "", .method = method}}, kTarget), kOk);
    EXPECT_TRUE(Exists(kTarget));
    EXPECT_EQ(FileContent(kTarget), "");
    ASSERT_EQ(ExtractFirst({{.data = "", .method = method, .crcXor = 1}}, kTarget),
              kBadData);
    EXPECT_FALSE(Exists(kTarget));
  }
}

TEST_F(ZipTest, EncryptedEntryNeedsTheRightPassword) {
  for (const std::uint16_t method : {0, 8}) {
    TestEntry entry{.data = SampleData(50000, 5), .method = method,
                    .password = "s3cret"};
    ASSERT_EQ(ExtractFirst({entry}, kTarget, "s3cret"), kOk);
    EXPECT_EQ(FileContent(kTarget), entry.data);
    EXPECT_EQ(ExtractFirst({entry}, kTarget), kBadPassword);
    EXPECT_FALSE(Exists(kTarget));
    EXPECT_EQ(ExtractFirst({entry}, kTarget, "wrong"), kBadPassword);
    EXPECT_FALSE(Exists(kTarget));
  }
}

TEST_F(ZipTest, EncryptedWithoutPasswordUsesTheInitialKeys) {
  TestEntry entry{.data = "open", .password = ""};
  ASSERT_EQ(ExtractFirst({entry}, kTarget), kOk);
  EXPECT_EQ(FileContent(kTarget), "open");
}

}  // namespace
