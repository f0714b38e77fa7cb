#pragma once

// The data of one open entry: read through a fixed input buffer, decrypted
// when the entry is encrypted, inflated or copied, and checked against the
// central record's CRC-32. Memory use does not depend on the entry's size.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <zlib.h>

#include "resources/zip/pkware_cipher.h"
#include "resources/zip/zip_input.h"
#include "resources/zip/zip_result.h"

// What the stream needs to know of its entry, taken from the central record
// and the local header.
struct ZipEntryLayout {
  std::uint64_t archiveStart = 0;
  std::uint64_t dataPosition = 0;  // relative to the archive start
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint32_t crc = 0;
  std::uint32_t dosTime = 0;
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
};

class ZipEntryStream {
 public:
  static constexpr std::uint32_t kBufferSize = 16384;

  // kOk, or kNoMemory when the stream cannot be allocated.
  static int Open(const ZipEntryLayout& layout,
                  const std::optional<std::string>& password,
                  std::unique_ptr<ZipEntryStream>& stream);
  ~ZipEntryStream();
  ZipEntryStream(const ZipEntryStream&) = delete;
  ZipEntryStream& operator=(const ZipEntryStream&) = delete;

  // Produces up to `length` bytes: the count, or a negative result. `end` is
  // set once the whole entry has been produced.
  int Read(ZipInput& input, std::uint8_t* buffer, std::uint32_t length,
           bool& end);
  // kCrcMismatch when the whole entry was produced and its CRC differs.
  int Close() const;

 private:
  ZipEntryStream(const ZipEntryLayout& layout,
                 const std::optional<std::string>& password);

  int Refill(ZipInput& input);
  int SkipEncryptionHeader(ZipInput& input);
  int Inflate(std::uint8_t* buffer, std::uint32_t room, bool& streamEnd);
  std::uint32_t Copy(std::uint8_t* buffer, std::uint32_t room);
  void Account(const std::uint8_t* produced, std::uint32_t count);

  ZipEntryLayout layout_;
  PkwareCipher cipher_;
  bool encrypted_ = false;
  std::uint32_t headerLeft_ = 0;
  std::uint8_t checkByte_ = 0;
  std::uint8_t lastHeaderByte_ = 0;

  std::array<std::uint8_t, kBufferSize> input_{};
  const std::uint8_t* unread_ = nullptr;
  std::uint32_t unreadCount_ = 0;
  std::uint64_t position_ = 0;
  std::uint32_t compressedLeft_ = 0;
  std::uint32_t uncompressedLeft_ = 0;
  std::uint32_t crc_ = 0;

  z_stream inflater_{};
  bool inflaterReady_ = false;
};
