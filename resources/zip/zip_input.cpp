#include "resources/zip/zip_input.h"

#include <utility>

using platform::SeekOrigin;

ZipInput::ZipInput(platform::UniqueFile file) : file_(std::move(file)) {
  std::uint64_t position = 0;
  if (file_ && platform::SeekFile(file_.Get(), 0, SeekOrigin::kCurrent,
                                  position)) {
    canSeek_ = true;
    initialOffset_ = position;
  }
}

bool ZipInput::ReadExact(void* buffer, std::uint32_t size) {
  if (!file_) return false;
  std::uint32_t done = 0;
  if (!platform::ReadFromFile(file_.Get(), buffer, size, done)) {
    error_ = true;
    return false;
  }
  return done == size;
}

bool ZipInput::Seek(std::int64_t offset, SeekOrigin origin) {
  if (!file_) return false;
  if (origin == SeekOrigin::kBegin) {
    offset += static_cast<std::int64_t>(initialOffset_);
  }
  std::uint64_t position = 0;
  return offset >= 0 &&
         platform::SeekFile(file_.Get(), offset, origin, position);
}

std::uint64_t ZipInput::Tell() {
  std::uint64_t position = 0;
  if (!canSeek_ ||
      !platform::SeekFile(file_.Get(), 0, SeekOrigin::kCurrent, position)) {
    return 0;
  }
  return position - initialOffset_;
}
