#include "install/file_writer.h"

#include "platform/files.h"

bool WriteBytesToFile(const std::string& path,
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
