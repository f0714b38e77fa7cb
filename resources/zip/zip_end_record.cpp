#include "resources/zip/zip_end_record.h"

#include <algorithm>
#include <array>

#include "bytes/little_endian.h"
#include "resources/zip/zip_result.h"

namespace {

constexpr std::uint64_t kMaxSearch = 65535;  // the largest archive comment
constexpr std::uint64_t kChunk = 1024;
constexpr std::uint64_t kSignatureSize = 4;
constexpr std::uint32_t kRecordSize = 22;

bool IsSignatureAt(const std::uint8_t* bytes) {
  return bytes[0] == 0x50 && bytes[1] == 0x4B && bytes[2] == 0x05 &&
         bytes[3] == 0x06;
}

}  // namespace

int FindEndRecord(ZipInput& input, std::uint64_t& position) {
  if (!input.Seek(0, platform::SeekOrigin::kEnd)) {
    return zip_result::kInputError;
  }
  const std::uint64_t size = input.Tell();
  const std::uint64_t maxBack = std::min(size, kMaxSearch);
  std::array<std::uint8_t, kChunk + kSignatureSize> chunk;
  std::uint64_t back = kSignatureSize;
  while (back < maxBack) {
    back = std::min(back + kChunk, maxBack);
    const std::uint64_t readPos = size - back;
    const auto readSize = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(chunk.size(), size - readPos));
    if (!input.Seek(static_cast<std::int64_t>(readPos),
                    platform::SeekOrigin::kBegin) ||
        !input.ReadExact(chunk.data(), readSize)) {
      return zip_result::kInputError;
    }
    for (std::uint32_t i = readSize - kSignatureSize + 1; i-- > 0;) {
      if (IsSignatureAt(chunk.data() + i)) {
        position = readPos + i;
        return zip_result::kOk;
      }
    }
  }
  return zip_result::kInputError;
}

int ReadEndRecord(ZipInput& input, ZipEndRecord& record) {
  std::array<std::uint8_t, kRecordSize> bytes;
  if (FindEndRecord(input, record.position) != zip_result::kOk ||
      !input.Seek(static_cast<std::int64_t>(record.position),
                  platform::SeekOrigin::kBegin) ||
      !input.ReadExact(bytes.data(), kRecordSize)) {
    return zip_result::kInputError;
  }
  const std::uint16_t disk = little_endian::Load16(&bytes[4]);
  const std::uint16_t directoryDisk = little_endian::Load16(&bytes[6]);
  const std::uint16_t entriesHere = little_endian::Load16(&bytes[8]);
  record.entryCount = little_endian::Load16(&bytes[10]);
  record.directorySize = little_endian::Load32(&bytes[12]);
  record.directoryOffset = little_endian::Load32(&bytes[16]);
  record.commentLength = little_endian::Load16(&bytes[20]);
  // 64-bit sums: 32-bit fields near their limit must not wrap into a
  // plausible directory.
  const std::uint64_t directoryEnd =
      std::uint64_t{record.directoryOffset} + record.directorySize;
  if (entriesHere != record.entryCount || disk != 0 || directoryDisk != 0 ||
      record.position + input.InitialOffset() < directoryEnd) {
    return zip_result::kBadArchive;
  }
  return zip_result::kOk;
}
