#pragma once

// The times an entry carries: the DOS date and time of its central record
// (local time, two-second steps) and the Unix times of an Info-ZIP "UT"
// block in its local extra field.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/files.h"

struct ZipEntryTimes {
  std::optional<platform::FileTime> modification;
  std::optional<platform::FileTime> access;
  std::optional<platform::FileTime> creation;
};

// The DOS date (high 16 bits) and time (low 16 bits) as local time converted
// to UTC; none when they form no valid calendar time.
std::optional<platform::FileTime> DosTimeToFileTime(std::uint32_t dosTime);

platform::FileTime UnixTimeToFileTime(std::int32_t seconds);

// Replaces the times present in the first "UT" block of `extra`. Only bytes
// inside both the block's declared size and `extra` are read; a time that
// does not fit there is not taken.
void ApplyExtendedTimestamp(std::span<const std::uint8_t> extra,
                            ZipEntryTimes& times);
