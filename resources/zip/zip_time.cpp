#include "resources/zip/zip_time.h"

#include <algorithm>

#include "bytes/little_endian.h"

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
constexpr std::size_t kBlockHeaderSize = 4;

}  // namespace

std::optional<platform::FileTime> DosTimeToFileTime(std::uint32_t dosTime) {
  const std::uint32_t date = dosTime >> 16;
  const std::uint32_t time = dosTime & 0xFFFF;
  platform::SystemTime calendar;
  calendar.year = static_cast<std::uint16_t>(1980 + (date >> 9));
  calendar.month = static_cast<std::uint16_t>((date >> 5) & 0x0F);
  calendar.day = static_cast<std::uint16_t>(date & 0x1F);
  calendar.hour = static_cast<std::uint16_t>(time >> 11);
  calendar.minute = static_cast<std::uint16_t>((time >> 5) & 0x3F);
  calendar.second = static_cast<std::uint16_t>(2 * (time & 0x1F));
  platform::FileTime local;
  platform::FileTime utc;
  if (!platform::SystemTimeToFileTime(calendar, local) ||
      !platform::LocalFileTimeToFileTime(local, utc)) {
    return std::nullopt;
  }
  return utc;
}

platform::FileTime UnixTimeToFileTime(std::int32_t seconds) {
  return {static_cast<std::uint64_t>((seconds + kSecondsFrom1601To1970) *
                                     kTicksPerSecond)};
}

void ApplyExtendedTimestamp(std::span<const std::uint8_t> extra,
                            ZipEntryTimes& times) {
  std::size_t offset = 0;
  while (offset + kBlockHeaderSize <= extra.size()) {
    const std::uint8_t* header = extra.data() + offset;
    const std::size_t declared = little_endian::Load16(header + 2);
    if (header[0] != 'U' || header[1] != 'T') {
      offset += kBlockHeaderSize + declared;
      continue;
    }
    const std::span<const std::uint8_t> block = extra.subspan(
        offset + kBlockHeaderSize,
        std::min(declared, extra.size() - offset - kBlockHeaderSize));
    if (block.empty()) return;
    std::optional<platform::FileTime>* slots[] = {
        &times.modification, &times.access, &times.creation};
    std::size_t at = 1;
    for (int bit = 0; bit < 3; ++bit) {
      if ((block[0] & (1u << bit)) == 0) continue;
      if (at + 4 > block.size()) return;
      *slots[bit] = UnixTimeToFileTime(
          static_cast<std::int32_t>(little_endian::Load32(block.data() + at)));
      at += 4;
    }
    return;
  }
}
