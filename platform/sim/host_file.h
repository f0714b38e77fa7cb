#pragma once

// The real files behind the simulated Windows' files, opened and sought on
// the machine it runs on: POSIX stdio on Linux (host_file_posix.cpp), the
// C runtime's wide-path calls on Windows (host_file_windows.cpp), whose
// msvcrt knows no "x" mode and takes narrow paths in the ANSI code page.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace sim {

enum class HostOpen {
  // An existing file, for reading.
  kRead,
  // A file made afresh or emptied, for writing.
  kReplace,
  // A file that must not exist yet, for writing.
  kCreateNew,
  // A file that must not exist yet, for writing and reading back.
  kCreateNewReadWrite,
};

// A binary stream on `host`, or null.
std::FILE* OpenHostFile(const std::filesystem::path& host, HostOpen how);

// Moves `stream` by `offset` bytes from SEEK_SET, SEEK_CUR or SEEK_END;
// the position it is at then, or nothing when it cannot move there. 64-bit
// offsets on every host.
std::optional<std::uint64_t> SeekHostFile(std::FILE* stream,
                                          std::int64_t offset, int whence);

}  // namespace sim
