// Sends a message to every window of a running program, over and over, and
// journals whether each was answered in time, as a program that broadcasts
// a message (a setting changed, a log-off) meets a waiting launcher:
//
//   message_prober.exe <journal> <ready-file> <stop-file> <executable>
//
//   <executable>  the file name of the program (such as Budget.exe): every
//                 process of that name is probed while it runs.
//
// Its windows are the top-level ones and the message-only ones (COM's
// apartment window is one) of its processes. Each round sends WM_NULL to
// each with a time limit and journals, one line per send:
//
//   record=send  answered=yes|timeout|gone  took=<ms>  time=<ms>
//
// time: when the send began (Unix milliseconds). A program that does not
// deliver sent messages while it waits leaves the sender waiting until the
// limit: timeout. gone: the window went away meanwhile, as the program
// ended.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/tool_run.h"
#include "tests/support/wall_clock.h"

namespace {

constexpr ULONGLONG kLimitMilliseconds = 120000;
constexpr UINT kSendLimitMilliseconds = 1000;
constexpr DWORD kRoundPauseMilliseconds = 100;

struct WindowSearch {
  DWORD process;
  std::vector<HWND> found;
};

BOOL CALLBACK NoteIfOwned(HWND window, LPARAM search) {
  auto* windows = reinterpret_cast<WindowSearch*>(search);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == windows->process) windows->found.push_back(window);
  return TRUE;
}

std::vector<HWND> WindowsOf(DWORD process) {
  WindowSearch search{process, {}};
  ::EnumWindows(NoteIfOwned, reinterpret_cast<LPARAM>(&search));
  for (HWND window = ::FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr);
       window != nullptr;
       window = ::FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr)) {
    NoteIfOwned(window, reinterpret_cast<LPARAM>(&search));
  }
  return search.found;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  test_support::ToolJournal journal(argv[1]);
  if (!journal) return 3;
  const test_support::Deadline deadline(argv[3], kLimitMilliseconds);
  const char* executable = argv[4];
  test_support::MakeEmptyFile(argv[2]);

  while (!deadline.Passed()) {
    const DWORD process = test_support::FindProcess(executable);
    for (HWND window : process != 0 ? WindowsOf(process) : std::vector<HWND>{}) {
      const std::int64_t began = test_support::UnixMilliseconds();
      DWORD_PTR result = 0;
      const bool answered =
          ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL,
                                kSendLimitMilliseconds, &result) != 0;
      const bool timedOut = !answered && ::GetLastError() == ERROR_TIMEOUT;
      const std::int64_t took = test_support::UnixMilliseconds() - began;
      char className[64] = {};
      ::GetClassNameA(window, className, sizeof className);
      journal.Record(std::string("record=send\tclass=") + className +
                         "\tthread=" +
                         std::to_string(::GetWindowThreadProcessId(window, nullptr)) +
                         "\tanswered=" +
                         (answered ? "yes" : timedOut ? "timeout" : "gone") +
                         "\ttook=" + std::to_string(took),
                     began);
    }
    ::Sleep(kRoundPauseMilliseconds);
  }
  return 0;
}
