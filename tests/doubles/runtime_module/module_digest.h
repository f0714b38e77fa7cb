#pragma once

// FNV-1a (64-bit) of bytes in memory and of a file as it is on disk, for the
// doubles' journals: a test compares them with the files it built.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace module_double {

constexpr std::uint64_t kFnv1a64Basis = 0xcbf29ce484222325ULL;

// The hash of `bytes` continued from `hash` (the basis for a fresh one).
std::uint64_t Fnv1a64(const std::uint8_t* bytes, std::size_t size,
                      std::uint64_t hash = kFnv1a64Basis);

// Sixteen lower-case hex digits.
std::string Hex64(std::uint64_t value);

struct FileDigest {
  std::uint64_t size = 0;
  std::uint64_t fnv1a64 = kFnv1a64Basis;
};

// The size and hash of the file at `path`, read now, whoever else has it
// open; nothing when it cannot be read to its end.
std::optional<FileDigest> DigestFile(const std::string& path);

}  // namespace module_double
