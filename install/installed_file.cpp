#include "install/installed_file.h"

#include <utility>

namespace attribute = platform::file_attribute;

ReadOnlyLift::ReadOnlyLift(std::string path)
    : path_(std::move(path)),
      attributes_(platform::QueryFileAttributes(path_)) {
  if (attributes_ == attribute::kInvalid ||
      (attributes_ & attribute::kDirectory) != 0 ||
      (attributes_ & attribute::kReadOnly) == 0) {
    return;
  }
  const std::uint32_t writable = attributes_ & ~attribute::kReadOnly;
  lifted_ = platform::ApplyFileAttributes(
      path_, writable == 0 ? attribute::kNormal : writable);
}

ReadOnlyLift::~ReadOnlyLift() {
  if (lifted_) platform::ApplyFileAttributes(path_, attributes_);
}

platform::FileChange RemoveInstalledFile(const std::string& path) {
  ReadOnlyLift lift(path);
  const platform::FileChange removed = platform::RemoveFile(path);
  if (removed == platform::FileChange::kDone) lift.FileGone();
  return removed;
}
