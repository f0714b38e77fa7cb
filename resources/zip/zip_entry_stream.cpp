#include "resources/zip/zip_entry_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
constexpr std::uint32_t kEncryptionHeaderSize = 12;
constexpr std::uint16_t kMethodDeflate = 8;

}  // namespace

int ZipEntryStream::Open(const ZipEntryLayout& layout,
                         const std::optional<std::string>& password,
                         std::unique_ptr<ZipEntryStream>& stream) {
  stream.reset(new (std::nothrow) ZipEntryStream(layout, password));
  return stream ? zip_result::kOk : zip_result::kNoMemory;
}

ZipEntryStream::ZipEntryStream(const ZipEntryLayout& layout,
                               const std::optional<std::string>& password)
    : layout_(layout),
      cipher_(password.value_or(std::string())),
      position_(layout.dataPosition),
      compressedLeft_(layout.compressedSize),
      uncompressedLeft_(layout.uncompressedSize) {
  if (layout.method == kMethodDeflate) {
    // A failed initialisation leaves the stream unusable: reads fail.
    inflaterReady_ = ::inflateInit2(&inflater_, -MAX_WBITS) == Z_OK;
  }
  encrypted_ = (layout.flags & kFlagEncrypted) != 0;
  if (encrypted_) {
    headerLeft_ = kEncryptionHeaderSize;
    // With a data descriptor the CRC is not known when the header is
    // written, so the time stands in for it.
    checkByte_ = (layout.flags & kFlagDataDescriptor) != 0
                     ? static_cast<std::uint8_t>(layout.dosTime >> 8)
                     : static_cast<std::uint8_t>(layout.crc >> 24);
  }
}

ZipEntryStream::~ZipEntryStream() {
  if (inflaterReady_) ::inflateEnd(&inflater_);
}

int ZipEntryStream::Refill(ZipInput& input) {
  const std::uint32_t n = std::min(kBufferSize, compressedLeft_);
  if (!input.Seek(static_cast<std::int64_t>(position_ + layout_.archiveStart),
                  platform::SeekOrigin::kBegin) ||
      !input.ReadExact(input_.data(), n)) {
    return zip_result::kInputError;
  }
  position_ += n;
  compressedLeft_ -= n;
  if (encrypted_) {
    for (std::uint32_t i = 0; i < n; ++i) {
      input_[i] = cipher_.DecryptByte(input_[i]);
    }
  }
  unread_ = input_.data();
  unreadCount_ = n;
  return zip_result::kOk;
}

int ZipEntryStream::SkipEncryptionHeader(ZipInput& input) {
  while (headerLeft_ > 0) {
    if (unreadCount_ == 0) {
      if (compressedLeft_ == 0) return zip_result::kInputError;
      if (const int result = Refill(input); result < 0) return result;
    }
    const std::uint32_t n = std::min(unreadCount_, headerLeft_);
    lastHeaderByte_ = unread_[n - 1];
    unread_ += n;
    unreadCount_ -= n;
    headerLeft_ -= n;
  }
  return lastHeaderByte_ == checkByte_ || !encrypted_
             ? zip_result::kOk
             : zip_result::kBadPassword;
}

void ZipEntryStream::Account(const std::uint8_t* produced,
                             std::uint32_t count) {
  crc_ = static_cast<std::uint32_t>(::crc32(crc_, produced, count));
  uncompressedLeft_ -= count;
}

int ZipEntryStream::Inflate(std::uint8_t* buffer, std::uint32_t room,
                            bool& streamEnd) {
  if (!inflaterReady_) return zip_result::kBadArchive;
  inflater_.next_in = const_cast<Bytef*>(unread_);
  inflater_.avail_in = unreadCount_;
  inflater_.next_out = buffer;
  inflater_.avail_out = room;
  const int status = ::inflate(&inflater_, Z_SYNC_FLUSH);
  const std::uint32_t produced = room - inflater_.avail_out;
  unread_ = inflater_.next_in;
  unreadCount_ = inflater_.avail_in;
  Account(buffer, produced);
  streamEnd = status == Z_STREAM_END;
  if (status != Z_OK && status != Z_STREAM_END) {
    return status < 0 ? status : zip_result::kBadArchive;
  }
  return static_cast<int>(produced);
}

std::uint32_t ZipEntryStream::Copy(std::uint8_t* buffer, std::uint32_t room) {
  const std::uint32_t n = std::min(room, unreadCount_);
  std::memcpy(buffer, unread_, n);
  unread_ += n;
  unreadCount_ -= n;
  Account(buffer, n);
  return n;
}

int ZipEntryStream::Read(ZipInput& input, std::uint8_t* buffer,
                         std::uint32_t length, bool& end) {
  end = false;
  if (length == 0) return 0;
  if (const int result = SkipEncryptionHeader(input); result < 0) {
    return result;
  }
  const std::uint32_t window = std::min(length, uncompressedLeft_);
  std::uint32_t produced = 0;
  while (produced < window) {
    if (unreadCount_ == 0 && compressedLeft_ > 0) {
      if (const int result = Refill(input); result < 0) return result;
    }
    if (layout_.method == kMethodDeflate) {
      bool streamEnd = false;
      const int step = Inflate(buffer + produced, window - produced, streamEnd);
      if (step < 0) return step;
      produced += static_cast<std::uint32_t>(step);
      // A stream that ends before the recorded size is a damaged entry.
      if (streamEnd && uncompressedLeft_ > 0) return zip_result::kBadArchive;
      if (streamEnd) break;
    } else {
      if (unreadCount_ == 0) return static_cast<int>(produced);
      produced += Copy(buffer + produced, window - produced);
    }
  }
  end = uncompressedLeft_ == 0;
  return static_cast<int>(produced);
}

int ZipEntryStream::Close() const {
  return uncompressedLeft_ == 0 && crc_ != layout_.crc
             ? zip_result::kCrcMismatch
             : zip_result::kOk;
}
