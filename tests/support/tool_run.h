#pragma once

// What the Wine tools beside a launcher share besides files: a journal of
// timed records, the deadline a stop file or a time limit sets, and the
// lookup of the launcher's process. Windows only.

#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>
#include <string>

#include "tests/support/kernel_handle.h"
#include "tests/support/tool_files.h"

namespace test_support {

// One line per record: tab-separated key=value fields, then the time.
class ToolJournal {
 public:
  explicit ToolJournal(const char* path)
      : file_(OwnedFile(::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ,
                                      nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr))) {}

  explicit operator bool() const { return static_cast<bool>(file_); }

  // Writes `fields` and the time `ms` as one line.
  void Record(const std::string& fields, std::int64_t ms) {
    const std::string line = fields + "\ttime=" + std::to_string(ms) + "\n";
    DWORD written = 0;
    ::WriteFile(file_.Get(), line.data(), static_cast<DWORD>(line.size()),
                &written, nullptr);
  }

 private:
  KernelHandle file_;
};

// The time to give up waiting: the stop file, or the limit.
class Deadline {
 public:
  Deadline(const char* stopFile, ULONGLONG limitMilliseconds)
      : stopFile_(stopFile), end_(::GetTickCount64() + limitMilliseconds) {}

  bool Passed() const {
    return FileExists(stopFile_) || ::GetTickCount64() >= end_;
  }

 private:
  const char* stopFile_;
  ULONGLONG end_;
};

// The id of the first process whose executable is named `name`; 0 when
// there is none.
inline DWORD FindProcess(const char* name) {
  const KernelHandle snapshot(
      OwnedFile(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)));
  if (!snapshot) return 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot.Get(), &entry); more;
       more = ::Process32Next(snapshot.Get(), &entry)) {
    if (::lstrcmpiA(entry.szExeFile, name) == 0) return entry.th32ProcessID;
  }
  return 0;
}

}  // namespace test_support
