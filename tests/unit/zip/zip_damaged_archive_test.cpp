// Damaged and hostile archives: each gives its status, and a failed
// extraction leaves no output file behind.
#include "resources/zip/zip_reader.h"

#include "tests/unit/zip/zip_test_fixture.h"

namespace {

using namespace zip_status;

const std::string kTarget = "C:\\Users\\u\\runtime.dll";

class ZipDamageTest : public ZipTest {
 protected:
  // Extracts entry 0 and requires `status` with no file at the target.
  void ExpectFailure(const TestEntry& entry, ZipStatus status) {
    EXPECT_EQ(ExtractFirst({entry}, kTarget), status);
    EXPECT_FALSE(Exists(kTarget));
  }
  static constexpr std::size_t kEndRecordSize = 22;
};

TEST_F(ZipDamageTest, DamagedDataFailsAndLeavesNoFile) {
  for (const std::uint16_t method : {0, 8}) {
    SCOPED_TRACE(method);
    const std::string data = SampleData(70000, 6);
    ExpectFailure({.data = data, .method = method, .crcXor = 0x100}, kBadData);
    ExpectFailure({.data = data, .method = method, .uncompressedDelta = 1},
                  kBadData);
    ExpectFailure({.data = data, .method = method, .cutData = 100}, kBadData);
    // Read-only output could not be removed again; it must not appear.
    ExpectFailure({.data = data, .method = method, .externalAttributes = 0x21,
                   .crcXor = 1},
                  kBadData);
  }
}

TEST_F(ZipDamageTest, ShorterRecordedSizeFailsOnTheCrc) {
  ExpectFailure({.data = SampleData(1000), .uncompressedDelta = -1}, kBadData);
}

TEST_F(ZipDamageTest, CorruptDeflateStreamFails) {
  std::string bytes = BuildZip({{.data = SampleData(20000)}});
  const std::size_t data = 30 + std::string("payload.bin").size();
  bytes[data] = static_cast<char>(0xFF);  // reserved block type 3
  ZipHandle zip = Open(bytes);
  ASSERT_TRUE(zip);
  EXPECT_EQ(ExtractZipEntry(*zip, 0, kTarget), kBadData);
  EXPECT_FALSE(Exists(kTarget));
}

TEST_F(ZipDamageTest, FilesThatAreNoArchiveDoNotOpen) {
  const std::string archive = BuildZip({{.data = SampleData(3000)}});
  EXPECT_FALSE(OpenZipFile("C:\\Users\\u\\missing.zip"));
  EXPECT_FALSE(Open(""));
  EXPECT_FALSE(Open("PK\x05\x06"));
  EXPECT_FALSE(Open(SampleData(100000, 7)));
  EXPECT_FALSE(Open(archive.substr(0, archive.size() - 5)));
  EXPECT_FALSE(Open(archive.substr(0, archive.size() / 2)));
}

TEST_F(ZipDamageTest, InconsistentEndRecordsDoNotOpen) {
  const std::string archive = BuildZip({{.data = "x"}, {.data = "y"}});
  const std::size_t end = archive.size() - kEndRecordSize;
  const struct {
    std::size_t at;
    std::uint32_t value;
    bool wide;
  } edits[] = {
      {end + 16, 0x7FFFFFFF, true},  // directory offset far past the end
      {end + 12, 0xFFFFFFF0, true},  // offset + size wraps in 32 bits
      {end + 4, 1, false},           // another disk
      {end + 6, 1, false},
      {end + 8, 1, false},  // entry counts disagree
  };
  for (const auto& edit : edits) {
    std::string bytes = archive;
    if (edit.wide) {
      PutUint32(bytes, edit.at, edit.value);
    } else {
      PutUint16(bytes, edit.at, static_cast<std::uint16_t>(edit.value));
    }
    EXPECT_FALSE(Open(bytes)) << edit.at - end;
  }
  std::string wraps = archive;
  PutUint32(wraps, end + 12, 0x20);
  PutUint32(wraps, end + 16, 0xFFFFFFF0);
  EXPECT_FALSE(Open(wraps));
}

TEST_F(ZipDamageTest, LocalHeaderMustAgreeWithTheCentralRecord) {
  const TestEntry disagreeing[] = {
      {.data = "x", .method = 0, .localMethod = 8},
      {.data = "x", .localCrcXor = 1},
      {.data = "x", .method = 12},  // a method the reader does not handle
  };
  for (const TestEntry& entry : disagreeing) {
    ZipHandle zip = Open(BuildZip({entry}));
    ASSERT_TRUE(zip);
    ZipEntryInfo info;
    EXPECT_EQ(GetZipEntry(*zip, 0, info), kBadLocalHeader);
    EXPECT_EQ(ExtractZipEntry(*zip, 0, kTarget), kBadLocalHeader);
    EXPECT_FALSE(Exists(kTarget));
  }
  // A data descriptor means the local CRC and sizes were unknown.
  EXPECT_EQ(ExtractFirst({{.data = "x", .localFlags = 8, .localCrcXor = 1}},
                         kTarget),
            kOk);
}

TEST_F(ZipDamageTest, LocalHeaderOutsideTheFile) {
  std::string bytes = BuildZip({{.data = "x"}});
  const std::size_t central = bytes.find("PK\x01\x02");
  PutUint32(bytes, central + 42, 0x7FFFFFF0);
  ZipHandle zip = Open(bytes);
  ASSERT_TRUE(zip);
  EXPECT_EQ(ExtractZipEntry(*zip, 0, kTarget), kBadLocalHeader);
}

TEST_F(ZipDamageTest, LocalExtraFieldPastTheEndGives0x800) {
  std::string bytes = BuildZip({{.data = "", .method = 0}});
  const std::size_t localExtraLength = 28;  // the entry's header is first
  PutUint16(bytes, localExtraLength, 0xFFFF);
  ZipHandle zip = Open(bytes);
  ASSERT_TRUE(zip);
  ZipEntryInfo info;
  EXPECT_EQ(GetZipEntry(*zip, 0, info), kBadExtraField);
  EXPECT_EQ(ExtractZipEntry(*zip, 0, kTarget), kBadExtraField);
  EXPECT_FALSE(Exists(kTarget));
}

TEST_F(ZipDamageTest, UnreadableCentralRecordOnTheWayFails) {
  std::string bytes = BuildZip({{.data = "a"}, {.data = "b"}, {.data = "c"}});
  const std::size_t second = bytes.find("PK\x01\x02", bytes.find("PK\x01\x02") + 1);
  bytes[second + 3] = 'X';
  ZipHandle zip = Open(bytes);
  ASSERT_TRUE(zip);
  ZipEntryInfo info;
  EXPECT_EQ(GetZipEntry(*zip, 2, info), kBadLocalHeader);
  EXPECT_EQ(GetZipEntry(*zip, 1, info), kBadLocalHeader);
  EXPECT_EQ(GetZipEntry(*zip, 0, info), kOk);
  // More entries counted than records present.
  std::string counted = BuildZip({{.data = "a"}});
  PutUint16(counted, counted.size() - 12, 2);
  PutUint16(counted, counted.size() - 14, 2);
  ZipHandle short_directory = Open(counted);
  ASSERT_TRUE(short_directory);
  EXPECT_EQ(GetZipEntry(*short_directory, 1, info), kBadLocalHeader);
}

TEST_F(ZipDamageTest, UtBlocksAreReadOnlyWithinTheirBounds) {
  const std::uint64_t dos = TicksOfUnixTime(kDefaultDosUnixTime);
  const struct {
    std::string extra;
    std::uint64_t modification;
    std::uint64_t access;
  } cases[] = {
      // Declares 7 data bytes; the extra field ends after the flags.
      {std::string("UT\x01\x00\x07", 5), dos, dos},
      {std::string("UT\x07\x00\x03", 5), dos, dos},
      // Block of 5 bytes: the access time lies in the next block's bytes.
      {UtBlock(3, {100}) + "ZZ" + Uint16Bytes(4) + Uint32Bytes(200), TicksOfUnixTime(100), dos},
      // A time cut off by the end of the extra field.
      {UtBlock(1, {100}).substr(0, 8), dos, dos},
      // A foreign block whose size points past the end.
      {"ZZ" + Uint16Bytes(0xFFFF) + "UT", dos, dos},
  };
  for (const auto& c : cases) {
    ZipHandle zip = Open(BuildZip({{.data = "x", .localExtra = c.extra}}));
    ASSERT_TRUE(zip);
    ZipEntryInfo info;
    ASSERT_EQ(GetZipEntry(*zip, 0, info), kOk);
    EXPECT_EQ(info.modification->ticks, c.modification);
    EXPECT_EQ(info.access->ticks, c.access);
  }
}

TEST_F(ZipDamageTest, PlatformFailuresDuringExtraction) {
  const TestEntry entry{.data = SampleData(50000, 8)};
  world().faults.FailCall("WriteToFile", 2);
  EXPECT_EQ(ExtractFirst({entry}, kTarget), kWriteFailed);
  EXPECT_FALSE(Exists(kTarget));

  world().faults.FailCall("CreateFileForWriting", 1);
  EXPECT_EQ(ExtractFirst({entry}, kTarget), kCannotOpen);

  ZipHandle zip = Open(BuildZip({entry}));
  ASSERT_TRUE(zip);
  world().faults.FailCall("ReadFromFile", 4);
  EXPECT_EQ(ExtractZipEntry(*zip, 0, kTarget), kBadData);
  EXPECT_FALSE(Exists(kTarget));
}

}  // namespace
