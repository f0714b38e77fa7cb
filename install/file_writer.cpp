#include "install/file_writer.h"

#include "install/installed_file.h"
#include "platform/files.h"

namespace {

// Writes all of `bytes` to a new file at `path`; a file that could not be
// written whole is deleted again.
bool WriteWholeFile(const std::string& path,
                    const std::vector<std::uint8_t>& bytes) {
  platform::UniqueFile file(platform::CreateFileForWriting(
      path, platform::CreateMode::kCreateOrTruncate,
      platform::file_attribute::kNormal));
  if (!file) return false;
  std::uint32_t written = 0;
  const bool complete =
      bytes.empty() ||
      (platform::WriteToFile(file.Get(), bytes.data(),
                             static_cast<std::uint32_t>(bytes.size()),
                             written) &&
       written == bytes.size());
  const bool closed = platform::CloseFileReporting(file.Release());
  if (complete && closed) return true;
  platform::RemoveFile(path);
  return false;
}

}  // namespace

bool WriteBytesToFile(const std::string& path,
                      const std::vector<std::uint8_t>& bytes) {
  const std::string partial = PartialPathFor(path);
  // A path so deep that no partial name fits beside it is written in place.
  if (partial.empty()) return WriteWholeFile(path, bytes);
  return WriteWholeFile(partial, bytes) &&
         MoveIntoPlace(partial, path, /*replace=*/true);
}
