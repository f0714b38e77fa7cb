#pragma once

// What the Wine tools beside a launcher know of files: which exist, which
// match a pattern and how large they are, and the empty files they signal
// with (ready and stop files). Windows only.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/unique_handle.h"
#include "tests/support/kernel_handle.h"

namespace test_support {

using FindHandle = platform::UniqueHandle<platform::ClosedBy<HANDLE, ::FindClose>>;

struct ListedFile {
  std::string name;  // without its folder
  std::uint64_t size;
};

// The files (not folders) that match `pattern`, a path whose last part may
// hold wildcards, as the folder lists them now. A file another process holds
// with share mode 0 is listed too: listing opens none of them.
inline std::vector<ListedFile> ListFiles(const std::string& pattern) {
  std::vector<ListedFile> files;
  WIN32_FIND_DATAA found;
  const HANDLE first = ::FindFirstFileA(pattern.c_str(), &found);
  if (first == INVALID_HANDLE_VALUE) return files;
  const FindHandle find(first);
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      files.push_back({found.cFileName,
                       static_cast<std::uint64_t>(found.nFileSizeHigh) << 32 |
                           found.nFileSizeLow});
    }
  } while (::FindNextFileA(find.Get(), &found));
  return files;
}

// The folder part of `path`, with its final backslash; empty when it has
// none.
inline std::string FolderOf(const std::string& path) {
  const std::size_t separator = path.find_last_of('\\');
  return separator == std::string::npos ? std::string()
                                        : path.substr(0, separator + 1);
}

inline bool FileExists(const char* path) {
  return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Makes an empty file at `path`, as a tool tells that it is ready.
inline void MakeEmptyFile(const char* path) {
  OwnedFile(::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace test_support
