#include <windows.h>

#include "platform/files.h"

namespace platform {

namespace {

HANDLE ToHandle(RawFile file) { return reinterpret_cast<HANDLE>(file); }

// CreateFileA signals failure with INVALID_HANDLE_VALUE; the holders use null.
RawFile FromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? nullptr
                                        : reinterpret_cast<RawFile>(handle);
}

FILETIME ToFiletime(const FileTime& time) {
  return {static_cast<DWORD>(time.ticks), static_cast<DWORD>(time.ticks >> 32)};
}

FileTime FromFiletime(const FILETIME& time) {
  return {static_cast<std::uint64_t>(time.dwHighDateTime) << 32 |
          time.dwLowDateTime};
}

// A folder path of up to MAX_PATH characters, each of which takes up to
// three bytes in a process whose ANSI code page is UTF-8.
constexpr DWORD kFolderBufferSize = 3 * MAX_PATH;

std::string FolderFrom(DWORD (*query)(DWORD, LPSTR)) {
  char buffer[kFolderBufferSize] = {};
  const DWORD length = query(kFolderBufferSize, buffer);
  if (length == 0 || length >= kFolderBufferSize) return {};
  return std::string(buffer, length);
}

DWORD QueryCurrentFolder(DWORD size, LPSTR buffer) {
  return ::GetCurrentDirectoryA(size, buffer);
}

DWORD QueryTempFolder(DWORD size, LPSTR buffer) {
  return ::GetTempPathA(size, buffer);
}

// The failure a removal or rename met, from the thread's last error.
FileChange ChangeResult(BOOL succeeded) {
  if (succeeded) return FileChange::kDone;
  switch (::GetLastError()) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return FileChange::kSharingViolation;
    case ERROR_ACCESS_DENIED:
      return FileChange::kAccessDenied;
    default:
      return FileChange::kFailed;
  }
}

struct FindTraits {
  using Raw = HANDLE;
  static Raw Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Raw search) noexcept { ::FindClose(search); }
};

}  // namespace

RawFile OpenFileForReading(const std::string& path) {
  return FromHandle(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
}

RawFile CreateFileForWriting(const std::string& path, CreateMode mode,
                             std::uint32_t attributes) {
  const DWORD disposition =
      mode == CreateMode::kCreateNew ? CREATE_NEW : CREATE_ALWAYS;
  return FromHandle(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                  disposition, attributes, nullptr));
}

RawFile CreateTemporaryFile(const std::string& path) {
  return FromHandle(::CreateFileA(
      path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
      CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
      nullptr));
}

void CloseFile(RawFile file) noexcept {
  if (file != nullptr) ::CloseHandle(ToHandle(file));
}

bool CloseFileReporting(RawFile file) {
  return ::CloseHandle(ToHandle(file)) != FALSE;
}

bool ReadFromFile(RawFile file, void* buffer, std::uint32_t size,
                  std::uint32_t& done) {
  DWORD read = 0;
  const BOOL ok = ::ReadFile(ToHandle(file), buffer, size, &read, nullptr);
  done = read;
  return ok != FALSE;
}

bool WriteToFile(RawFile file, const void* data, std::uint32_t size,
                 std::uint32_t& done) {
  DWORD written = 0;
  const BOOL ok = ::WriteFile(ToHandle(file), data, size, &written, nullptr);
  done = written;
  return ok != FALSE;
}

bool SeekFile(RawFile file, std::int64_t offset, SeekOrigin origin,
              std::uint64_t& position) {
  const DWORD method = origin == SeekOrigin::kBegin     ? FILE_BEGIN
                       : origin == SeekOrigin::kCurrent ? FILE_CURRENT
                                                        : FILE_END;
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER moved;
  if (!::SetFilePointerEx(ToHandle(file), distance, &moved, method)) {
    return false;
  }
  position = static_cast<std::uint64_t>(moved.QuadPart);
  return true;
}

std::uint32_t QueryFileAttributes(const std::string& path) {
  return ::GetFileAttributesA(path.c_str());
}

bool ApplyFileAttributes(const std::string& path, std::uint32_t attributes) {
  return ::SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

bool ApplyFileTimes(const std::string& path, const FileTime* creation,
                    const FileTime* access, const FileTime* modification) {
  // Attribute access alone, sharing everything: a scanner's handle on the
  // file does not stand in the way.
  UniqueFile file(FromHandle(::CreateFileA(
      path.c_str(), FILE_WRITE_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
  if (!file) return false;
  FILETIME times[3];
  const FileTime* given[3] = {creation, access, modification};
  const FILETIME* pointers[3] = {};
  for (int i = 0; i < 3; ++i) {
    if (given[i] != nullptr) {
      times[i] = ToFiletime(*given[i]);
      pointers[i] = &times[i];
    }
  }
  return ::SetFileTime(ToHandle(file.Get()), pointers[0], pointers[1],
                       pointers[2]) != FALSE;
}

std::vector<std::string> FindFileNames(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const UniqueHandle<FindTraits> search(
      ::FindFirstFileA(pattern.c_str(), &found));
  if (!search) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      names.emplace_back(found.cFileName);
    }
  } while (::FindNextFileA(search.Get(), &found));
  return names;
}

bool CreateFolder(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool RemoveFolder(const std::string& path) {
  return ::RemoveDirectoryA(path.c_str()) != FALSE;
}

FileChange RemoveFile(const std::string& path) {
  return ChangeResult(::DeleteFileA(path.c_str()));
}

bool IsHeldOpen(const std::string& path) {
  const HANDLE file = ::CreateFileA(
      path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return ::GetLastError() == ERROR_SHARING_VIOLATION;
  }
  ::CloseHandle(file);
  return false;
}

FileChange RenameFile(const std::string& from, const std::string& to,
                      bool replaceExisting) {
  return ChangeResult(::MoveFileExA(
      from.c_str(), to.c_str(),
      replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0));
}

std::string CurrentFolder() { return FolderFrom(QueryCurrentFolder); }

std::string TempFolder() { return FolderFrom(QueryTempFolder); }

bool SystemTimeToFileTime(const SystemTime& time, FileTime& fileTime) {
  const SYSTEMTIME system{time.year,   time.month,  time.dayOfWeek,
                          time.day,    time.hour,   time.minute,
                          time.second, time.milliseconds};
  FILETIME result;
  if (!::SystemTimeToFileTime(&system, &result)) return false;
  fileTime = FromFiletime(result);
  return true;
}

bool LocalFileTimeToFileTime(const FileTime& local, FileTime& utc) {
  const FILETIME in = ToFiletime(local);
  FILETIME out;
  if (!::LocalFileTimeToFileTime(&in, &out)) return false;
  utc = FromFiletime(out);
  return true;
}

}  // namespace platform
