#pragma once

// The archive file as the directory layer sees it: whole-record reads and
// seeks. Positions handed to Seek are relative to the input's initial offset
// (the file position when the input was made) until the archive has been
// located, after which the directory adds the archive's own start offset.

#include <cstdint>

#include "platform/files.h"

class ZipInput {
 public:
  explicit ZipInput(platform::UniqueFile file);

  // Reads exactly `size` bytes; a short or failed read is a failure, and a
  // failed read also sets the error flag.
  bool ReadExact(void* buffer, std::uint32_t size);
  bool Seek(std::int64_t offset, platform::SeekOrigin origin);
  // The current position minus the initial offset; 0 when the input cannot
  // seek.
  std::uint64_t Tell();

  bool HasError() const { return error_; }
  std::uint64_t InitialOffset() const { return initialOffset_; }
  void ClearInitialOffset() { initialOffset_ = 0; }

 private:
  platform::UniqueFile file_;
  bool canSeek_ = false;
  bool error_ = false;
  std::uint64_t initialOffset_ = 0;
};

