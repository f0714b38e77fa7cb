// Watches the temporary folder for the files a launcher stages there and
// tries, as another program of the same user could, to get at each one:
//
//   staging_prober.exe <journal> <ready-file> <stop-file>
//
// Until <stop-file> exists (or for two minutes at most), lists "*.dat" in
// the temporary folder every few milliseconds. Each file listed is tried at
// every listing, since what others may do with it can change while it
// exists, in this order: opened for reading, opened for writing (nothing is
// written), renamed (and, when that works, renamed back at once, so the next
// try finds it under its name) and deleted. Every try is one journal line,
// tab-separated:
//
//   file=<name>  attempt=read|write|rename|delete  result=ok|failed
//   error=<GetLastError after a failure, else 0>  time=<ms since the Unix
//   epoch>
//
// <ready-file> is made once the journal is open and the first listing done.
// Exit code 0; 2 for a wrong command line, 3 when the journal cannot be
// opened.
#include <windows.h>

#include <string>

#include "tests/support/kernel_handle.h"
#include "tests/support/tool_files.h"
#include "tests/support/wall_clock.h"

namespace {

using test_support::KernelHandle;
using test_support::OwnedFile;

constexpr DWORD kPollMilliseconds = 5;
constexpr DWORD kLimitMilliseconds = 120000;
constexpr DWORD kEveryShare =
    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string TempFolder() {
  char folder[MAX_PATH + 1];
  const DWORD length = ::GetTempPathA(sizeof folder, folder);
  if (length == 0 || length > MAX_PATH) return {};
  return std::string(folder, length);
}

bool CanOpen(const std::string& path, DWORD access) {
  return static_cast<bool>(OwnedFile(::CreateFileA(
      path.c_str(), access, kEveryShare, nullptr, OPEN_EXISTING,
      FILE_ATTRIBUTE_NORMAL, nullptr)));
}

bool CanRename(const std::string& path) {
  const std::string moved = path + ".probed";
  if (!::MoveFileA(path.c_str(), moved.c_str())) return false;
  const DWORD error = ::GetLastError();
  ::MoveFileA(moved.c_str(), path.c_str());
  ::SetLastError(error);
  return true;
}

class Prober {
 public:
  explicit Prober(KernelHandle journal) : journal_(std::move(journal)) {}

  void Probe(const std::string& folder, const std::string& name) {
    const std::string path = folder + name;
    Record(name, "read", CanOpen(path, GENERIC_READ));
    Record(name, "write", CanOpen(path, GENERIC_WRITE));
    Record(name, "rename", CanRename(path));
    Record(name, "delete", ::DeleteFileA(path.c_str()) != FALSE);
  }

 private:
  void Record(const std::string& name, const char* attempt, bool succeeded) {
    const DWORD error = succeeded ? 0 : ::GetLastError();
    const std::string line =
        "file=" + name + "\tattempt=" + attempt +
        (succeeded ? "\tresult=ok" : "\tresult=failed") +
        "\terror=" + std::to_string(error) +
        "\ttime=" + std::to_string(test_support::UnixMilliseconds()) + "\n";
    DWORD written = 0;
    ::WriteFile(journal_.Get(), line.data(), static_cast<DWORD>(line.size()),
                &written, nullptr);
  }

  KernelHandle journal_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  KernelHandle journal(OwnedFile(::CreateFileA(
      argv[1], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
      FILE_ATTRIBUTE_NORMAL, nullptr)));
  if (!journal) return 3;
  Prober prober(std::move(journal));
  const std::string folder = TempFolder();
  const ULONGLONG deadline = ::GetTickCount64() + kLimitMilliseconds;
  bool ready = false;
  while (!test_support::FileExists(argv[3]) &&
         ::GetTickCount64() < deadline) {
    for (const test_support::ListedFile& staged :
         test_support::ListFiles(folder + "*.dat")) {
      prober.Probe(folder, staged.name);
    }
    if (!ready) {
      test_support::MakeEmptyFile(argv[2]);
      ready = true;
    }
    ::Sleep(kPollMilliseconds);
  }
  return 0;
}
