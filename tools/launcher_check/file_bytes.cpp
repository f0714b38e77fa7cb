#include "tools/launcher_check/file_bytes.h"

#include <fstream>

namespace {

constexpr std::size_t kReadChunk = 1u << 16;

}  // namespace

// Read through the stream alone: on Windows, the file system calls of
// std::filesystem refuse narrow names the stream opens well.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::vector<char> chunk(kReadChunk);
  while (file.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || file.gcount() > 0) {
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + file.gcount());
    if (bytes.size() > kMaxToolInputSize) return std::nullopt;
  }
  if (file.bad()) return std::nullopt;
  return bytes;
}
