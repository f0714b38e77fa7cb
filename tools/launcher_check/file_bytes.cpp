#include "tools/launcher_check/file_bytes.h"

#include <fstream>

// Read through the stream alone: on Windows, the file system calls of
// std::filesystem refuse narrow names the stream opens well. The size is
// asked of the stream, so the bytes are read in one go into one buffer.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return std::nullopt;
  const std::streamoff size = file.tellg();
  if (size < 0 || static_cast<std::uintmax_t>(size) > kMaxToolInputSize || !file.seekg(0)) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (!file.read(reinterpret_cast<char*>(bytes.data()), size) || file.peek() != std::ifstream::traits_type::eof()) {
    return std::nullopt;
  }
  return bytes;
}
