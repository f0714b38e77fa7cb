#include "resources/zip/zip_directory.h"

#include <algorithm>
#include <array>
#include <utility>

#include "bytes/little_endian.h"
#include "common/path_limits.h"

namespace {

constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::uint32_t kCentralSize = 46;
constexpr std::uint32_t kLocalSize = 30;
constexpr std::uint16_t kFlagDataDescriptor = 0x0008;

void DecodeCentral(const std::uint8_t* b, ZipCentralRecord& record) {
  record.versionMadeBy = little_endian::Load16(b + 4);
  record.versionNeeded = little_endian::Load16(b + 6);
  record.flags = little_endian::Load16(b + 8);
  record.method = little_endian::Load16(b + 10);
  record.dosTime = little_endian::Load32(b + 12);
  record.crc = little_endian::Load32(b + 16);
  record.compressedSize = little_endian::Load32(b + 20);
  record.uncompressedSize = little_endian::Load32(b + 24);
  record.nameLength = little_endian::Load16(b + 28);
  record.extraLength = little_endian::Load16(b + 30);
  record.commentLength = little_endian::Load16(b + 32);
  record.diskNumberStart = little_endian::Load16(b + 34);
  record.internalAttributes = little_endian::Load16(b + 36);
  record.externalAttributes = little_endian::Load32(b + 38);
  record.localHeaderOffset = little_endian::Load32(b + 42);
}

// The local header must describe the same entry; with a data descriptor its
// CRC and sizes were not known when it was written.
bool AgreesWithCentral(const std::uint8_t* local,
                       const ZipCentralRecord& central) {
  const std::uint16_t method = little_endian::Load16(local + 8);
  const bool sized = (little_endian::Load16(local + 6) & kFlagDataDescriptor) == 0;
  return little_endian::Load32(local) == kLocalSignature && method == central.method &&
         (method == 0 || method == 8) &&
         little_endian::Load16(local + 26) == central.nameLength &&
         (!sized || (little_endian::Load32(local + 14) == central.crc &&
                     little_endian::Load32(local + 18) == central.compressedSize &&
                     little_endian::Load32(local + 22) == central.uncompressedSize));
}

}  // namespace

ZipDirectory::ZipDirectory(ZipInput input, const ZipEndRecord& end,
                           std::uint64_t archiveStart)
    : input_(std::move(input)), end_(end), archiveStart_(archiveStart) {}

int ZipDirectory::Open(ZipInput input,
                       std::unique_ptr<ZipDirectory>& directory) {
  ZipEndRecord end;
  if (const int result = ReadEndRecord(input, end); result != zip_result::kOk) {
    return result;
  }
  // Whatever precedes the directory beyond its recorded offset is data
  // prepended to the archive (a stub); every archive position is shifted by
  // it.
  const std::uint64_t archiveStart =
      end.position + input.InitialOffset() -
      (std::uint64_t{end.directoryOffset} + end.directorySize);
  input.ClearInitialOffset();
  directory.reset(new ZipDirectory(std::move(input), end, archiveStart));
  directory->FirstEntry();
  return zip_result::kOk;
}

int ZipDirectory::ReadCentralRecord() {
  std::array<std::uint8_t, kCentralSize> bytes;
  if (!input_.Seek(static_cast<std::int64_t>(currentPosition_ + archiveStart_),
                   platform::SeekOrigin::kBegin) ||
      !input_.ReadExact(bytes.data(), kCentralSize)) {
    return zip_result::kInputError;
  }
  if (little_endian::Load32(bytes.data()) != kCentralSignature) {
    return zip_result::kBadArchive;
  }
  DecodeCentral(bytes.data(), current_);
  std::array<char, kMaxPathLength> name;
  const std::uint32_t kept =
      std::min<std::uint32_t>(current_.nameLength, kMaxPathLength);
  if (!input_.ReadExact(name.data(), kept)) return zip_result::kInputError;
  current_.name.assign(name.data(), kept);
  return zip_result::kOk;
}

int ZipDirectory::FirstEntry() {
  currentNumber_ = 0;
  currentPosition_ = end_.directoryOffset;
  const int result = ReadCentralRecord();
  currentValid_ = result == zip_result::kOk;
  return result;
}

int ZipDirectory::NextEntry() {
  if (!currentValid_ || currentNumber_ + 1 >= end_.entryCount) {
    return zip_result::kEndOfList;
  }
  currentPosition_ += std::uint64_t{kCentralSize} + current_.nameLength +
                      current_.extraLength + current_.commentLength;
  ++currentNumber_;
  const int result = ReadCentralRecord();
  currentValid_ = result == zip_result::kOk;
  return result;
}

int ZipDirectory::MoveTo(std::uint32_t index) {
  if (index < currentNumber_) FirstEntry();
  while (currentNumber_ < index) {
    if (const int result = NextEntry(); result != zip_result::kOk) {
      return result;
    }
  }
  return currentValid_ ? zip_result::kOk : zip_result::kBadArchive;
}

bool ZipDirectory::ReadAt(std::uint64_t position, void* buffer,
                          std::uint32_t size) {
  return input_.Seek(static_cast<std::int64_t>(position + archiveStart_),
                     platform::SeekOrigin::kBegin) &&
         input_.ReadExact(buffer, size);
}

int ZipDirectory::CheckLocalHeader(ZipLocalLayout& layout) {
  std::array<std::uint8_t, kLocalSize> bytes;
  if (!ReadAt(current_.localHeaderOffset, bytes.data(), kLocalSize)) {
    return zip_result::kInputError;
  }
  if (!AgreesWithCentral(bytes.data(), current_)) {
    return zip_result::kBadArchive;
  }
  const std::uint16_t nameLength = little_endian::Load16(&bytes[26]);
  layout.extraSize = little_endian::Load16(&bytes[28]);
  layout.extraPosition =
      std::uint64_t{current_.localHeaderOffset} + kLocalSize + nameLength;
  layout.dataPosition = layout.extraPosition + layout.extraSize;
  return zip_result::kOk;
}

int ZipDirectory::OpenEntry(const std::optional<std::string>& password) {
  if (!currentValid_) return zip_result::kNoEntry;
  stream_.reset();
  ZipLocalLayout local;
  if (CheckLocalHeader(local) != zip_result::kOk) {
    return zip_result::kBadArchive;
  }
  ZipEntryLayout layout;
  layout.archiveStart = archiveStart_;
  layout.dataPosition = local.dataPosition;
  layout.compressedSize = current_.compressedSize;
  layout.uncompressedSize = current_.uncompressedSize;
  layout.crc = current_.crc;
  layout.dosTime = current_.dosTime;
  layout.method = current_.method;
  layout.flags = current_.flags;
  return ZipEntryStream::Open(layout, password, stream_);
}

int ZipDirectory::ReadEntry(std::uint8_t* buffer, std::uint32_t length,
                            bool& end) {
  end = false;
  if (!stream_) return zip_result::kNoEntry;
  return stream_->Read(input_, buffer, length, end);
}

int ZipDirectory::CloseEntry() {
  const int result = stream_ ? stream_->Close() : zip_result::kOk;
  stream_.reset();
  return result;
}
