#pragma once

// The wall clock as the Wine tools and doubles journal it. Windows only.

#include <windows.h>

#include <cstdint>

namespace test_support {

// Milliseconds since the Unix epoch.
inline std::int64_t UnixMilliseconds() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
      now.dwLowDateTime;
  // 100-nanosecond ticks from 1601 to 1970.
  constexpr std::uint64_t kUnixEpochTicks = 116444736000000000ULL;
  return static_cast<std::int64_t>((ticks - kUnixEpochTicks) / 10000);
}

}  // namespace test_support
