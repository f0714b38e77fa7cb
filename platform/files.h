#pragma once

// Files and folders by narrow (ANSI code page) path. On Windows: CreateFileA,
// ReadFile, WriteFile, SetFilePointerEx, SetFileTime, CloseHandle,
// GetFileAttributesA, SetFileAttributesA, CreateDirectoryA, DeleteFileA,
// RemoveDirectoryA, MoveFileExA, FindFirstFileA, FindNextFileA, FindClose,
// GetCurrentDirectoryA, GetTempPathA, SystemTimeToFileTime and
// LocalFileTimeToFileTime.
//
// Share modes: a file opened for reading can be opened for reading again,
// nothing else; a file opened for writing can be opened by no one else.
// While a file is open it can be neither deleted nor renamed.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/unique_handle.h"

namespace platform {

struct FileTag;
using RawFile = FileTag*;

// Windows file attribute bits.
namespace file_attribute {
inline constexpr std::uint32_t kReadOnly = 0x01;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;
inline constexpr std::uint32_t kNormal = 0x80;
inline constexpr std::uint32_t kTemporary = 0x100;
// What QueryFileAttributes returns when nothing exists at a path.
inline constexpr std::uint32_t kInvalid = 0xFFFFFFFF;
}  // namespace file_attribute

// 100-nanosecond intervals since 1601-01-01.
struct FileTime {
  std::uint64_t ticks = 0;
};

struct SystemTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t dayOfWeek = 0;
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t milliseconds = 0;
};

enum class CreateMode {
  kCreateOrTruncate,  // CREATE_ALWAYS
  kCreateNew,         // CREATE_NEW: fails when something exists at the path
};

enum class SeekOrigin { kBegin, kCurrent, kEnd };

// How a removal or a rename ended. The failures are told apart as far as a
// caller decides differently on them: a hold that passes, and a refusal
// that waiting does not change.
enum class FileChange {
  kDone,
  // Another handle is open on the file without delete sharing, such as a
  // scanner's or an indexer's that opened it as it appeared
  // (ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION).
  kSharingViolation,
  // The file is loaded as a module, read-only, or out of the user's rights
  // (ERROR_ACCESS_DENIED).
  kAccessDenied,
  // Anything else: nothing at the path, a file in the way, a bad path.
  kFailed,
};

// Opens an existing file for reading, shared for reading. nullptr on failure.
RawFile OpenFileForReading(const std::string& path);
// Creates a file for writing with the given attributes (kNormal for none).
// nullptr on failure.
RawFile CreateFileForWriting(const std::string& path, CreateMode mode,
                             std::uint32_t attributes);
// Creates a new file for reading and writing that no other handle can open,
// and that nobody can rename or delete, while it is open; the system deletes
// it when it is closed, also when the process is killed. For bytes that must
// be read back unchanged from a folder other users can write to. nullptr
// when something exists at `path` or the file cannot be made.
RawFile CreateTemporaryFile(const std::string& path);
void CloseFile(RawFile file) noexcept;
// Closes `file` and tells whether the system reported success, for writers
// that must not take a file whose last data may not have reached the disk.
bool CloseFileReporting(RawFile file);

// False on failure; `done` is the count actually transferred.
bool ReadFromFile(RawFile file, void* buffer, std::uint32_t size,
                  std::uint32_t& done);
bool WriteToFile(RawFile file, const void* data, std::uint32_t size,
                 std::uint32_t& done);
// Moves the file pointer; `position` receives the new absolute position.
bool SeekFile(RawFile file, std::int64_t offset, SeekOrigin origin,
              std::uint64_t& position);
// The attribute bits of what exists at `path`, or file_attribute::kInvalid.
std::uint32_t QueryFileAttributes(const std::string& path);
// Whether anything, a file or a folder, exists at `path`.
inline bool PathExists(const std::string& path) {
  return QueryFileAttributes(path) != file_attribute::kInvalid;
}
// Sets the attribute bits of what exists at `path` (kNormal for none).
bool ApplyFileAttributes(const std::string& path, std::uint32_t attributes);
// Sets the times given of the file at `path`; a null pointer leaves that
// time unchanged. Works on a file another process holds open, as long as it
// shares reading and writing.
bool ApplyFileTimes(const std::string& path, const FileTime* creation,
                    const FileTime* access, const FileTime* modification);
// The names of the files (never folders) in a folder that match `pattern`:
// the folder's path, a backslash and a last part that may hold the
// wildcards `*` and `?`. Empty when there are none or the folder cannot be
// listed.
std::vector<std::string> FindFileNames(const std::string& pattern);
// Creates one folder level.
bool CreateFolder(const std::string& path);
// Removes an empty folder.
bool RemoveFolder(const std::string& path);
// Deletes the file at `path`, which fails while it is open, loaded or
// read-only.
FileChange RemoveFile(const std::string& path);
// Renames the file at `from` to `to` on the same volume, never by copying;
// fails while `from` is open. With `replaceExisting`, a file at `to` is
// replaced, which fails while it is open, loaded or read-only; without it,
// anything at `to` makes the rename fail (kFailed).
FileChange RenameFile(const std::string& from, const std::string& to,
                      bool replaceExisting);
// Whether a handle is open on the file at `path` that does not share its
// deletion, so that any removal, rename or replacement of it meets a sharing
// violation. Opens it for deletion, sharing everything, and closes it again.
bool IsHeldOpen(const std::string& path);
// The process's current folder, without a guaranteed trailing backslash;
// empty on failure.
std::string CurrentFolder();
// The user's temporary folder as the system reports it (normally with a
// trailing backslash); empty on failure.
std::string TempFolder();

bool SystemTimeToFileTime(const SystemTime& time, FileTime& fileTime);
// Converts a file time in local time to UTC.
bool LocalFileTimeToFileTime(const FileTime& local, FileTime& utc);

using UniqueFile = UniqueHandle<ClosedBy<RawFile, CloseFile>>;

}  // namespace platform
