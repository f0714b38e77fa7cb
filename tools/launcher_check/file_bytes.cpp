#include "tools/launcher_check/file_bytes.h"

#include <fstream>
#include <iterator>

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (!std::filesystem::is_regular_file(path, error) || error || size > kMaxToolInputSize) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) return std::nullopt;
  return bytes;
}
