#include "resources/resource_stager.h"

#include <atomic>

#include "common/path_limits.h"
#include "platform/process.h"
#include "resources/zip/zip_reader.h"

namespace {

// Shared by every stager of the process, never reset: with the process id it
// keeps names apart within the process and from other launchers.
std::atomic<std::uint32_t> stagingCounter{0};

// How many taken names are skipped before staging gives up.
constexpr int kTempNameAttempts = 100;

}  // namespace

std::string ResourceStager::MakeTempName() {
  const std::uint32_t counter = ++stagingCounter;
  const std::string folder = platform::TempFolder();
  if (folder.empty()) return {};
  const std::string name = folder +
                           std::to_string(platform::GetCurrentProcessId()) +
                           std::to_string(counter) + ".dat";
  return FitsPathLimit(name) ? name : std::string();
}

platform::UniqueFile ResourceStager::Stage(const std::uint8_t* data,
                                           std::uint32_t size) {
  if (data == nullptr || size == 0) return {};
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    const std::string name = MakeTempName();
    if (name.empty()) return {};
    platform::UniqueFile file(platform::CreateTemporaryFile(name));
    if (!file) {
      if (platform::PathExists(name)) continue;
      return {};
    }
    // A file that is not whole, or cannot be read from its start, is
    // deleted by the system as the holder closes it.
    std::uint32_t written = 0;
    std::uint64_t position = 0;
    if (!platform::WriteToFile(file.Get(), data, size, written) ||
        written != size ||
        !platform::SeekFile(file.Get(), 0, platform::SeekOrigin::kBegin,
                            position)) {
      return {};
    }
    return file;
  }
  return {};
}

bool ResourceStager::ExtractFirstEntry(platform::UniqueFile archive,
                                       platform::RawFile output,
                                       ZipEntryInfo& entry) {
  ZipHandle zip = OpenZipArchive(std::move(archive));
  if (!zip) return false;
  const ZipStatus status = ExtractZipEntryInto(*zip, 0, output, entry);
  CloseZip(std::move(zip));
  return status == zip_status::kOk;
}
