#pragma once

// The whole of a file the vendor's tools read: a launcher, a stub, a payload
// file. Each is far below 1 GiB; a larger file is not read into memory.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

inline constexpr std::uintmax_t kMaxToolInputSize = 1u << 30;
// What the tools say of a file ReadFileBytes read nothing of, after its name.
inline constexpr char kUnreadableToolInput[] = "not a readable file of at most 1 GiB";

// Nothing when `path` cannot be opened (a folder cannot), holds more than
// kMaxToolInputSize bytes or cannot be read to its end.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path);
