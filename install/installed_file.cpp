#include "install/installed_file.h"

#include "common/path_limits.h"
#include "platform/files.h"
#include "platform/process.h"

namespace attribute = platform::file_attribute;

std::string PartialPathFor(const std::string& path) {
  std::string partial = path + "." +
                        std::to_string(platform::GetCurrentProcessId()) +
                        ".partial";
  return FitsPathLimit(partial) ? partial : std::string();
}

void MakeWritable(const std::string& path) {
  const std::uint32_t attributes = platform::QueryFileAttributes(path);
  if (attributes == attribute::kInvalid ||
      (attributes & attribute::kDirectory) != 0 ||
      (attributes & attribute::kReadOnly) == 0) {
    return;
  }
  const std::uint32_t writable = attributes & ~attribute::kReadOnly;
  platform::ApplyFileAttributes(path,
                                writable == 0 ? attribute::kNormal : writable);
}

bool RemoveInstalledFile(const std::string& path) {
  const std::uint32_t attributes = platform::QueryFileAttributes(path);
  MakeWritable(path);
  if (platform::RemoveFile(path)) return true;
  // A file in use stays exactly as it was, its attributes included.
  if (attributes != attribute::kInvalid) {
    platform::ApplyFileAttributes(path, attributes);
  }
  return false;
}

bool MoveIntoPlace(const std::string& partialPath, const std::string& path,
                   bool replace) {
  if (platform::RenameFile(partialPath, path, replace)) return true;
  RemoveInstalledFile(partialPath);
  return false;
}
