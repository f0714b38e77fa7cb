// Archives that no one here wrote: made at test time by Info-ZIP zip,
// Python's zipfile, bsdtar and 7z (see make_tool_archives.py).
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "bytes/little_endian.h"
#include "resources/zip/zip_reader.h"
#include "tests/unit/zip/zip_test_fixture.h"

namespace {

using namespace zip_status;
namespace fs = std::filesystem;

// The times make_tool_archives.py gives its sources.
constexpr std::int64_t kModified = 1700000000;
constexpr std::int64_t kAccessed = 1600000000;
const std::string kTarget = "C:\\Users\\u\\out\\runtime.dll";

class RealToolArchiveTest : public ZipTest {
 protected:
  static void SetUpTestSuite() {
    folder_ = fs::path(ZIP_TOOL_ARCHIVE_DIR) / std::to_string(::getpid());
    const std::string command = std::string(ZIP_TOOL_PYTHON) + " " +
                                ZIP_TOOL_SCRIPT + " " + folder_.string();
    made_ = std::system(command.c_str()) == 0;
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  void SetUp() override {
    ZipTest::SetUp();
    ASSERT_TRUE(made_) << "the archive tools (zip, bsdtar, 7z) must be installed";
  }

  static std::string Host(const std::string& name) {
    std::ifstream file(folder_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file),
            std::istreambuf_iterator<char>()};
  }
  ZipHandle OpenTool(const std::string& name,
                     const std::optional<std::string>& password = {}) {
    return Open(Host(name), password);
  }
  // Extracts entry `index` of a tool archive and checks its bytes.
  // Extracts entry `index` of a tool archive and checks its bytes. A
  // read-only result cannot be overwritten, so each case removes it.
  void ExpectExtracts(const std::string& name, const std::string& source,
                      std::int32_t index = 0,
                      const std::optional<std::string>& password = {}) {
    world().fileRecords.erase(world().HostPath(kTarget));
    std::filesystem::remove(world().HostPath(kTarget));
    ZipHandle zip = OpenTool(name, password);
    ASSERT_TRUE(zip) << name;
    ASSERT_EQ(ExtractZipEntry(*zip, index, kTarget), kOk) << name;
    EXPECT_EQ(FileContent(kTarget), Host(source)) << name;
  }
  void ExpectTimes(std::int64_t modification, std::int64_t access,
                   std::optional<std::int64_t> creation) {
    const sim::SimFileRecord& record = Record(kTarget);
    ASSERT_TRUE(record.modification && record.access);
    EXPECT_EQ(record.modification->ticks, TicksOfUnixTime(modification));
    EXPECT_EQ(record.access->ticks, TicksOfUnixTime(access));
    if (creation) {
      ASSERT_TRUE(record.creation);
      EXPECT_EQ(record.creation->ticks, TicksOfUnixTime(*creation));
    }
  }

  static inline fs::path folder_;
  static inline bool made_ = false;
};

TEST_F(RealToolArchiveTest, InfoZipUtBlockGivesModificationAndAccessTimes) {
  for (const char* name : {"zip_deflate_ut.zip", "zip_stored.zip"}) {
    ExpectExtracts(name, "payload.bin");
    // No creation time in the block: the DOS time (written in UTC) stands.
    ExpectTimes(kModified, kAccessed, kModified);
    EXPECT_EQ(Record(kTarget).attributes, 0x20u);
  }
}

TEST_F(RealToolArchiveTest, InfoZipWithoutUtBlockUsesTheDosTimeForAll) {
  ExpectExtracts("zip_deflate_plain.zip", "payload.bin");
  ExpectTimes(kModified, kModified, kModified);
}

TEST_F(RealToolArchiveTest, DosTimeIsReadAsLocalTime) {
  // Written where local time is UTC+3.
  world().localTimeOffsetSeconds = 3 * 3600;
  ExpectExtracts("zip_local_plus3.zip", "payload.bin");
  ExpectTimes(kModified, kModified, kModified);
  world().localTimeOffsetSeconds = 0;
  ExpectExtracts("zip_local_plus3.zip", "payload.bin");
  ExpectTimes(kModified + 3 * 3600, kModified + 3 * 3600, kModified + 3 * 3600);
}

TEST_F(RealToolArchiveTest, LongCommentAndPrependedStub) {
  ExpectExtracts("zip_comment.zip", "payload.bin");
  ExpectExtracts("zip_stub_plain.zip", "payload.bin");
  ExpectExtracts("zip_stub_adjusted.zip", "payload.bin");
}

TEST_F(RealToolArchiveTest, PasswordProtectedEntries) {
  // Info-ZIP writes a data descriptor (time check byte), 7z does not.
  const struct {
    const char* name;
    const char* password;
  } archives[] = {{"zip_password.zip", "pass word"},
                  {"7z_password.zip", "pass"}};
  for (const auto& archive : archives) {
    ExpectExtracts(archive.name, "payload.bin", 0, archive.password);
    for (const std::optional<std::string>& wrong :
         {std::optional<std::string>(), std::optional<std::string>("pass")}) {
      if (wrong == archive.password) continue;
      ZipHandle zip = OpenTool(archive.name, wrong);
      ASSERT_TRUE(zip);
      // One wrong key in 256 passes the header check and fails on the data.
      const ZipStatus status = ExtractZipEntry(*zip, 0, kTarget);
      EXPECT_TRUE(status == kBadPassword || status == kBadData) << status;
      EXPECT_FALSE(Exists(kTarget));
    }
  }
}

TEST_F(RealToolArchiveTest, PythonZipfileAttributesByHostSystem) {
  constexpr std::int64_t kDosTime = 1623752430;  // 2021-06-15 10:20:30
  const struct {
    std::int32_t index;
    std::uint32_t attributes;
  } entries[] = {{0, 0x21}, {1, 0x22}};
  for (const auto& entry : entries) {
    ExpectExtracts("python.zip", "payload.bin", entry.index);
    EXPECT_EQ(Record(kTarget).attributes, entry.attributes);
    ExpectTimes(kDosTime, kDosTime, kDosTime);
  }
  ZipHandle zip = OpenTool("python.zip");
  ASSERT_TRUE(zip);
  ASSERT_EQ(ExtractZipEntry(*zip, 2, "made\\folder"), kOk);
  EXPECT_EQ(platform::QueryFileAttributes("C:\\Users\\u\\made\\folder"),
            platform::file_attribute::kDirectory);
}

TEST_F(RealToolArchiveTest, BsdtarArchiveWithDataDescriptors) {
  ExpectExtracts("bsdtar.zip", "payload.bin");
  ExpectTimes(kModified, kAccessed, std::nullopt);
  EXPECT_EQ(Record(kTarget).attributes, 0x20u);
  // Mode 0444: no owner write bit.
  ExpectExtracts("bsdtar.zip", "readonly.txt", 1);
  EXPECT_EQ(Record(kTarget).attributes, 0x21u);
}

TEST_F(RealToolArchiveTest, SevenZipArchive) {
  ExpectExtracts("7z.zip", "payload.bin");
  ExpectTimes(kModified, kModified, kModified);
  EXPECT_EQ(Record(kTarget).attributes, 0x20u);
}

TEST_F(RealToolArchiveTest, DamagedToolArchivesLeaveNoFile) {
  const std::string archive = Host("zip_deflate_plain.zip");
  const std::size_t central = archive.find("PK\x01\x02");
  const struct {
    const char* what;
    std::size_t at;  // offset within both headers' common CRC field
    std::uint32_t delta;
  } damages[] = {{"crc", 14, 0x10000}, {"uncompressed size", 22, 1}};
  for (const auto& damage : damages) {
    std::string bytes = archive;
    for (const std::size_t header : {std::size_t{0}, central + 2}) {
      const std::uint32_t value =
          little_endian::Load32(reinterpret_cast<const std::uint8_t*>(bytes.data() + header + damage.at));
      PutUint32(bytes, header + damage.at, value + damage.delta);
    }
    ZipHandle zip = Open(bytes);
    ASSERT_TRUE(zip) << damage.what;
    EXPECT_EQ(ExtractZipEntry(*zip, 0, kTarget), kBadData) << damage.what;
    EXPECT_FALSE(Exists(kTarget)) << damage.what;
  }
}

}  // namespace
