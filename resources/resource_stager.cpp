#include "resources/resource_stager.h"

#include <atomic>

#include "common/path_limits.h"
#include "platform/files.h"
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
  return name.size() <= kMaxPathLength ? name : std::string();
}

std::string ResourceStager::WriteTempFile(const std::uint8_t* data,
                                          std::uint32_t size) {
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    const std::string name = MakeTempName();
    if (name.empty()) return {};
    platform::UniqueFile file(platform::CreateFileForWriting(
        name, platform::CreateMode::kCreateNew,
        platform::file_attribute::kNormal));
    if (!file) {
      if (platform::PathExists(name)) continue;
      return {};
    }
    std::uint32_t written = 0;
    const bool complete =
        platform::WriteToFile(file.Get(), data, size, written) &&
        written == size;
    file.Reset();
    if (complete) return name;
    platform::RemoveFile(name);
    return {};
  }
  return {};
}

bool ResourceStager::StageAndExtract(const std::uint8_t* data,
                                     std::uint32_t size,
                                     const std::string& targetPath) {
  if (data == nullptr || size == 0) return false;
  if (platform::PathExists(targetPath) && !platform::RemoveFile(targetPath)) return false;

  const std::string tempName = WriteTempFile(data, size);
  if (tempName.empty()) return false;
  const bool extracted = ExtractFirstEntry(tempName, targetPath);
  platform::RemoveFile(tempName);
  return extracted;
}

bool ResourceStager::ExtractFirstEntry(const std::string& archivePath,
                                       const std::string& targetPath) {
  ZipHandle archive = OpenZipFile(archivePath);
  if (!archive) return false;
  const ZipStatus status = ExtractZipEntry(*archive, 0, targetPath);
  CloseZip(std::move(archive));
  return status == zip_status::kOk;
}
