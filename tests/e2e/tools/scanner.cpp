// Plays an antivirus product or an indexer on one folder: every file that
// appears there (made, or renamed into it) is opened as soon as its writer
// lets go of it, for reading, sharing reading and writing but not deletion,
// and held for a while, so that nobody can delete or rename it meanwhile:
//
//   scanner.exe <journal> <ready-file> <stop-file> <folder> <hold-ms>
//               [<name>...]
//
// Each <name>, a file of <folder> that exists already, is held from the
// start as if it had just appeared.
//
// The folder is watched with ReadDirectoryChangesW until <stop-file> exists
// (or for two minutes at most). A file that cannot be opened yet (its
// writer shares nothing) is tried again without pause: a writer that renames
// the file as soon as it has closed it leaves only the moment in between,
// which a scanner in the system's kernel never misses but this one can (a
// small file may even be gone before its notification arrives). One journal
// line per file once it is let go of, or gone, tab-separated:
//
//   file=<name>  appeared=<ms>  opened=<ms>|never  closed=<ms>
//   tries=<opens tried>  error=<GetLastError of the last failed open, or 0>
//   rename=<GetLastError of a rename tried while held, or 0>
//
// The rename is tried once, as soon as the file is held, through the file's
// name: it tells what any program that renames or deletes the file meets
// while the scanner holds it (on Windows, ERROR_SHARING_VIOLATION). Should
// it succeed, the file is renamed back at once.
//
// with times in milliseconds since the Unix epoch. <ready-file> is made once
// the watch is set up. Exit code 0; 2 for a wrong command line, 3 when the
// journal cannot be opened, 4 when the folder cannot be watched.
#include <windows.h>

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "tests/support/kernel_handle.h"
#include "tests/support/tool_files.h"
#include "tests/support/wall_clock.h"

namespace {

using test_support::KernelHandle;
using test_support::OwnedFile;

constexpr DWORD kPollMilliseconds = 1;
// Tries of the files not yet opened between two looks at the folder.
constexpr int kTriesPerLook = 64;
constexpr ULONGLONG kLimitMilliseconds = 120000;

std::wstring Wide(const std::string& text) {
  const int length =
      ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(length > 0 ? length - 1 : 0, L'\0');
  if (length > 1) {
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
  }
  return wide;
}

std::string Utf8(const std::wstring& text) {
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1,
                                           nullptr, 0, nullptr, nullptr);
  std::string narrow(length > 0 ? length - 1 : 0, '\0');
  if (length > 1) {
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow.data(), length,
                          nullptr, nullptr);
  }
  return narrow;
}

// One file the scanner saw appear, from then until it lets go of it.
struct Scan {
  std::wstring name;
  std::int64_t appeared = 0;
  std::int64_t opened = 0;
  int tries = 0;
  DWORD error = 0;
  DWORD renameError = 0;
  KernelHandle file;
};

class Scanner {
 public:
  Scanner(KernelHandle journal, std::wstring folder, DWORD holdMilliseconds)
      : journal_(std::move(journal)),
        folder_(std::move(folder)),
        hold_(holdMilliseconds) {}

  void Appeared(const std::wstring& name) {
    Scan& scan = scans_.emplace_back();
    scan.name = name;
    scan.appeared = test_support::UnixMilliseconds();
  }

  // Opens what can be opened now and lets go of what was held long enough.
  void Work() {
    const std::int64_t now = test_support::UnixMilliseconds();
    for (auto scan = scans_.begin(); scan != scans_.end();) {
      if (!scan->file && !TryOpen(*scan)) {
        if (scan->error == ERROR_FILE_NOT_FOUND) {
          Record(*scan);
          scan = scans_.erase(scan);
          continue;
        }
      } else if (scan->file && now - scan->opened >= hold_) {
        Record(*scan);
        scan = scans_.erase(scan);
        continue;
      }
      ++scan;
    }
  }

  // Whether a file is waiting for its writer to let go of it.
  bool Waiting() const {
    for (const Scan& scan : scans_) {
      if (!scan.file) return true;
    }
    return false;
  }

  void LetGoOfAll() {
    for (Scan& scan : scans_) Record(scan);
    scans_.clear();
  }

 private:
  bool TryOpen(Scan& scan) {
    ++scan.tries;
    scan.file = OwnedFile(::CreateFileW(
        (folder_ + scan.name).c_str(), GENERIC_READ,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!scan.file) {
      scan.error = ::GetLastError();
      return false;
    }
    scan.opened = test_support::UnixMilliseconds();
    scan.renameError = TryRename(folder_ + scan.name);
    return true;
  }

  static DWORD TryRename(const std::wstring& path) {
    const std::wstring moved = path + L".held";
    if (!::MoveFileW(path.c_str(), moved.c_str())) return ::GetLastError();
    ::MoveFileW(moved.c_str(), path.c_str());
    return 0;
  }

  // Closes the file, if it was opened, and journals the scan.
  void Record(Scan& scan) {
    scan.file.Reset();
    const std::string line =
        "file=" + Utf8(scan.name) +
        "\tappeared=" + std::to_string(scan.appeared) + "\topened=" +
        (scan.opened != 0 ? std::to_string(scan.opened) : "never") +
        "\tclosed=" + std::to_string(test_support::UnixMilliseconds()) +
        "\ttries=" + std::to_string(scan.tries) +
        "\terror=" + std::to_string(scan.opened != 0 ? 0 : scan.error) +
        "\trename=" + std::to_string(scan.renameError) + "\n";
    DWORD written = 0;
    ::WriteFile(journal_.Get(), line.data(), static_cast<DWORD>(line.size()),
                &written, nullptr);
  }

  KernelHandle journal_;
  std::wstring folder_;
  std::int64_t hold_;
  std::list<Scan> scans_;
};

// The folder's changes, read without blocking: each call of Take hands the
// names added or renamed into it since the last.
class FolderWatch {
 public:
  explicit FolderWatch(const std::wstring& folder)
      : folder_(OwnedFile(::CreateFileW(
            folder.c_str(), FILE_LIST_DIRECTORY,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED,
            nullptr))),
        event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        buffer_(16384) {
    watching_ = folder_ && event_ && Ask();
  }

  explicit operator bool() const { return watching_; }

  // Waits up to `milliseconds` for changes; the names that appeared.
  std::vector<std::wstring> Take(DWORD milliseconds) {
    std::vector<std::wstring> names;
    if (::WaitForSingleObject(event_.Get(), milliseconds) != WAIT_OBJECT_0) {
      return names;
    }
    DWORD size = 0;
    if (::GetOverlappedResult(folder_.Get(), &overlapped_, &size, FALSE) &&
        size > 0) {
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer_.data());
      for (DWORD offset = 0;;) {
        const auto* change =
            reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(bytes + offset);
        if (change->Action == FILE_ACTION_ADDED ||
            change->Action == FILE_ACTION_RENAMED_NEW_NAME) {
          names.emplace_back(change->FileName,
                             change->FileNameLength / sizeof(WCHAR));
        }
        if (change->NextEntryOffset == 0) break;
        offset += change->NextEntryOffset;
      }
    }
    watching_ = Ask();
    return names;
  }

 private:
  bool Ask() {
    ::ResetEvent(event_.Get());
    overlapped_ = {};
    overlapped_.hEvent = event_.Get();
    return ::ReadDirectoryChangesW(
               folder_.Get(), buffer_.data(),
               static_cast<DWORD>(buffer_.size() * sizeof(DWORD)), FALSE,
               FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &overlapped_,
               nullptr) != FALSE;
  }

  KernelHandle folder_;
  KernelHandle event_;
  // DWORD-aligned, as the notifications must be.
  std::vector<DWORD> buffer_;
  OVERLAPPED overlapped_{};
  bool watching_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) return 2;
  KernelHandle journal(OwnedFile(::CreateFileA(
      argv[1], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
      FILE_ATTRIBUTE_NORMAL, nullptr)));
  if (!journal) return 3;
  std::wstring folder = Wide(argv[4]);
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  FolderWatch watch(folder);
  if (!watch) return 4;
  Scanner scanner(std::move(journal), folder,
                  static_cast<DWORD>(std::stoul(argv[5])));
  for (int earlier = 6; earlier < argc; ++earlier) {
    scanner.Appeared(Wide(argv[earlier]));
  }
  scanner.Work();
  test_support::MakeEmptyFile(argv[2]);

  const ULONGLONG deadline = ::GetTickCount64() + kLimitMilliseconds;
  while (watch && !test_support::FileExists(argv[3]) &&
         ::GetTickCount64() < deadline) {
    const bool waiting = scanner.Waiting();
    for (const std::wstring& name : watch.Take(waiting ? 0 : kPollMilliseconds)) {
      scanner.Appeared(name);
    }
    for (int tries = waiting ? kTriesPerLook : 1; tries > 0; --tries) {
      scanner.Work();
    }
  }
  scanner.LetGoOfAll();
  return 0;
}
