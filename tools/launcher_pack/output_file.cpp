#include "tools/launcher_pack/output_file.h"

#include <fstream>

#ifdef _WIN32
#include <windows.h>
#endif

std::filesystem::path BesideFile(const std::filesystem::path& path, const char* purpose) {
  std::filesystem::path beside = path;
  beside += std::string(".") + purpose;
  return beside;
}

void MarkRunnable(const std::filesystem::path& path) {
  using std::filesystem::perms;
  std::error_code ignored;
  std::filesystem::permissions(path,
                               perms::owner_all | perms::group_read | perms::group_exec | perms::others_read |
                                   perms::others_exec,
                               ignored);
}

void RemoveIfPresent(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

// std::filesystem::rename does not replace an existing file on Windows.
bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
#ifdef _WIN32
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  error = "cannot be renamed to " + to.string() + " (error " + std::to_string(GetLastError()) + ")";
  return false;
#else
  std::error_code failure;
  std::filesystem::rename(from, to, failure);
  if (!failure) return true;
  error = "cannot be renamed to " + to.string() + ": " + failure.message();
  return false;
#endif
}

bool WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, std::string& error) {
  const std::filesystem::path partial = BesideFile(path, "partial");
  {
    std::ofstream file(partial, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      error = partial.string() + " cannot be written";
      RemoveIfPresent(partial);
      return false;
    }
  }
  MarkRunnable(partial);
  if (RenameOver(partial, path, error)) return true;
  error = partial.string() + " " + error;
  RemoveIfPresent(partial);
  return false;
}
