#pragma once

// A sandbox with one archive file in it, and what the tests read back.

#include <optional>
#include <string>
#include <vector>

#include "resources/zip/zip_reader.h"
#include "tests/support/sim_test.h"
#include "tests/support/zip_test_archive.h"

// 2024-05-04 13:25:24, the default DOS time of a TestEntry, as UTC.
inline constexpr std::int64_t kDefaultDosUnixTime = 1714829124;

class ZipTest : public SimTest {
 protected:
  static constexpr const char* kArchive = "C:\\Users\\u\\archive.zip";

  ZipHandle Open(const std::string& bytes,
                 const std::optional<std::string>& password = {}) {
    PutFile(kArchive, bytes);
    return OpenZipFile(kArchive, password);
  }
  // Opens an archive of `entries` and extracts entry 0 to `target`.
  ZipStatus ExtractFirst(const std::vector<TestEntry>& entries,
                         const std::string& target,
                         const std::optional<std::string>& password = {}) {
    ZipHandle zip = Open(BuildZip(entries), password);
    if (!zip) return ~ZipStatus{0};
    return ExtractZipEntry(*zip, 0, target);
  }
  bool Exists(const std::string& path) {
    return platform::QueryFileAttributes(path) !=
           platform::file_attribute::kInvalid;
  }
  const sim::SimFileRecord& Record(const std::string& path) {
    return world().fileRecords[world().HostPath(path)];
  }
};
