// Ends a running program from outside with TerminateProcess, as a user's
// task manager or a shutdown would, at a chosen moment of its run, and
// journals what was on disk then:
//
//   kill_when.exe <journal> <ready-file> <stop-file> <executable> <guard>
//                 <exit-code> <condition> <subject> <operand>
//                 [<described>...]
//
//   <executable>  the file name of the program (such as Budget.exe): the
//                 first process of that name to appear is the target.
//   <condition> <subject> <operand>, the moment:
//       file <pattern> <bytes>  a file matching <pattern> (a path whose last
//                               part may hold wildcards) holds at least
//                               <bytes> bytes
//       line <path> <text>      the file at <path> holds a line with <text>
//   <exit-code>   the exit code TerminateProcess gives the target.
//   <guard>       the name of a mutex the target holds at that moment,
//                 followed there by "." and the security identifier of the
//                 user both run as (as the launcher names its start guard);
//                 the mutex is opened just before the kill, told as held by another
//                 process or not, and kept open until <stop-file>: so the
//                 mutex outlives the target, abandoned, as it does when
//                 another start of the target waits for it.
//   <described>   patterns whose files are listed with their sizes once the
//                 target is suspended and again once it has ended.
//
// The moment the condition holds the target is suspended, so that what is
// listed next is what the kill finds, and then terminated; nothing is
// written in between. The journal, one line per
// record, tab-separated key=value fields, the record first:
//
//   record=target  pid=<n>  time=<ms>             the target was found
//   record=condition  time=<ms>                   the condition held
//   record=suspend  result=ok|failed  time=<ms>   the target was suspended
//   record=file  moment=before|after  path=<path>  size=<n>  time=<ms>
//       before: listed once the target was suspended; after: once it had
//       ended.
//   record=guard  state=held|free|missing|unknown  time=<ms>
//       held: another process owned it; free: nobody did (it was taken and
//       released at once); missing: no mutex of that name existed;
//       unknown: the wait for it failed.
//   record=kill  running=yes|no  terminated=yes|no  error=<n>
//                exit_code=<n>  time=<ms>
//       running: whether the target had not yet exited when it was to be
//       ended; error: GetLastError after a failed TerminateProcess, else 0;
//       exit_code: the target's, once it had ended; time: when
//       TerminateProcess was called.
//   record=missed  reason=exited|stopped  exit_code=<n>  time=<ms>
//       the target ended by itself, or <stop-file> or the two-minute limit
//       came, before the condition held; nothing was ended.
//
// time is milliseconds since the Unix epoch. <ready-file> is made once the
// journal is open. Exit code 0 after a kill, 1 after a miss, 2 for a wrong
// command line, 3 when the journal cannot be opened.
#include <windows.h>
#include <ntdef.h>
#include <sddl.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/kernel_handle.h"
#include "tests/support/tool_files.h"
#include "tests/support/tool_run.h"
#include "tests/support/wall_clock.h"

// ntdll's: stops every thread of a process where it is. Not declared in
// the headers.
extern "C" NTSTATUS NTAPI NtSuspendProcess(HANDLE process);

namespace {

using test_support::Deadline;
using test_support::FindProcess;
using test_support::KernelHandle;
using test_support::OwnedFile;
using Journal = test_support::ToolJournal;

constexpr ULONGLONG kLimitMilliseconds = 120000;
constexpr DWORD kTargetPollMilliseconds = 1;
constexpr DWORD kEndWaitMilliseconds = 10000;
constexpr DWORD kStopPollMilliseconds = 50;
constexpr int kFixedArguments = 10;

// The whole file at `path`, shared with its writers; empty when it cannot
// be read.
std::string ReadWholeFile(const char* path) {
  const KernelHandle file(OwnedFile(::CreateFileA(
      path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
  std::string text;
  if (!file) return text;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) &&
         read > 0) {
    text.append(buffer, read);
  }
  return text;
}

class Condition {
 public:
  Condition(std::string kind, std::string subject, const std::string& operand)
      : kind_(std::move(kind)),
        subject_(std::move(subject)),
        text_(operand),
        bytes_(kind_ == "file" ? std::stoull(operand) : 0) {}

  bool Valid() const { return kind_ == "file" || kind_ == "line"; }

  bool Holds() const {
    if (kind_ == "line") {
      return ReadWholeFile(subject_.c_str()).find(text_) != std::string::npos;
    }
    for (const test_support::ListedFile& file :
         test_support::ListFiles(subject_)) {
      if (file.size >= bytes_) return true;
    }
    return false;
  }

 private:
  std::string kind_, subject_, text_;
  std::uint64_t bytes_;
};

struct SeenFile {
  std::string path;
  std::uint64_t size;
};

struct Snapshot {
  std::vector<SeenFile> files;
  std::int64_t ms;
};

Snapshot TakeSnapshot(const std::vector<std::string>& patterns) {
  Snapshot snapshot{{}, test_support::UnixMilliseconds()};
  for (const std::string& pattern : patterns) {
    const std::string folder = test_support::FolderOf(pattern);
    for (const test_support::ListedFile& file :
         test_support::ListFiles(pattern)) {
      snapshot.files.push_back({folder + file.name, file.size});
    }
  }
  return snapshot;
}

void RecordSnapshot(Journal& journal, const char* moment,
                    const Snapshot& snapshot) {
  for (const SeenFile& file : snapshot.files) {
    journal.Record(std::string("record=file\tmoment=") + moment +
                       "\tpath=" + file.path +
                       "\tsize=" + std::to_string(file.size),
                   snapshot.ms);
  }
}

// The guard opened just before the kill, and whether another process
// owned it then.
struct Guard {
  KernelHandle mutex;
  const char* state;
};

// The security identifier of the user the tool runs as; empty when it
// cannot be had.
std::string UserSid() {
  HANDLE rawToken = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) {
    return {};
  }
  const KernelHandle token(rawToken);
  std::vector<void*> buffer(256);
  DWORD size = 0;
  char* text = nullptr;
  if (!::GetTokenInformation(token.Get(), TokenUser, buffer.data(),
                             static_cast<DWORD>(buffer.size() * sizeof(void*)),
                             &size) ||
      !::ConvertSidToStringSidA(
          reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
    return {};
  }
  std::string sid = text;
  ::LocalFree(text);
  return sid;
}

Guard OpenGuard(const std::string& prefix) {
  const std::string name = prefix + "." + UserSid();
  Guard guard{KernelHandle(::OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE,
                                        FALSE, name.c_str())),
              "missing"};
  if (!guard.mutex) return guard;
  const DWORD waited = ::WaitForSingleObject(guard.mutex.Get(), 0);
  if (waited == WAIT_TIMEOUT) {
    guard.state = "held";
  } else if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    ::ReleaseMutex(guard.mutex.Get());
    guard.state = "free";
  } else {
    guard.state = "unknown";
  }
  return guard;
}

DWORD ExitCodeOf(HANDLE process) {
  DWORD code = 0;
  ::GetExitCodeProcess(process, &code);
  return code;
}

int Missed(Journal& journal, const char* reason, DWORD exitCode) {
  journal.Record(std::string("record=missed\treason=") + reason +
                     "\texit_code=" + std::to_string(exitCode),
                 test_support::UnixMilliseconds());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < kFixedArguments) return 2;
  Journal journal(argv[1]);
  if (!journal) return 3;
  const char* readyFile = argv[2];
  const Deadline deadline(argv[3], kLimitMilliseconds);
  const char* executable = argv[4];
  const char* guardName = argv[5];
  const UINT killedExitCode = static_cast<UINT>(std::stoul(argv[6]));
  const Condition condition(argv[7], argv[8], argv[9]);
  if (!condition.Valid()) return 2;
  const std::vector<std::string> described(argv + kFixedArguments,
                                           argv + argc);
  test_support::MakeEmptyFile(readyFile);

  DWORD pid = 0;
  while ((pid = FindProcess(executable)) == 0) {
    if (deadline.Passed()) return Missed(journal, "stopped", 0);
    ::Sleep(kTargetPollMilliseconds);
  }
  const KernelHandle process(::OpenProcess(
      PROCESS_TERMINATE | PROCESS_SUSPEND_RESUME | PROCESS_QUERY_INFORMATION |
          SYNCHRONIZE,
      FALSE, pid));
  if (!process) return Missed(journal, "exited", 0);
  journal.Record("record=target\tpid=" + std::to_string(pid),
                 test_support::UnixMilliseconds());

  // As close to the moment as the listing allows: no sleeping here.
  while (!condition.Holds()) {
    if (::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0) {
      return Missed(journal, "exited", ExitCodeOf(process.Get()));
    }
    if (deadline.Passed()) return Missed(journal, "stopped", 0);
    ::Sleep(0);
  }
  const std::int64_t conditionMs = test_support::UnixMilliseconds();
  const std::int64_t suspendMs = test_support::UnixMilliseconds();
  const bool suspended = NT_SUCCESS(::NtSuspendProcess(process.Get()));
  const Snapshot before = TakeSnapshot(described);
  const Guard guard = OpenGuard(guardName);
  const bool running = ExitCodeOf(process.Get()) == STILL_ACTIVE;
  const std::int64_t killMs = test_support::UnixMilliseconds();
  const bool terminated =
      ::TerminateProcess(process.Get(), killedExitCode) != FALSE;
  const DWORD error = terminated ? 0 : ::GetLastError();
  ::WaitForSingleObject(process.Get(), kEndWaitMilliseconds);
  const DWORD exitCode = ExitCodeOf(process.Get());
  const Snapshot after = TakeSnapshot(described);

  journal.Record("record=condition", conditionMs);
  journal.Record(std::string("record=suspend\tresult=") +
                     (suspended ? "ok" : "failed"),
                 suspendMs);
  RecordSnapshot(journal, "before", before);
  journal.Record(std::string("record=guard\tstate=") + guard.state, killMs);
  journal.Record(std::string("record=kill\trunning=") +
                     (running ? "yes" : "no") +
                     "\tterminated=" + (terminated ? "yes" : "no") +
                     "\terror=" + std::to_string(error) +
                     "\texit_code=" + std::to_string(exitCode),
                 killMs);
  RecordSnapshot(journal, "after", after);

  while (!deadline.Passed()) ::Sleep(kStopPollMilliseconds);
  return 0;
}
