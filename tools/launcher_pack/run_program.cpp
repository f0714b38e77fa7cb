#include "tools/launcher_pack/run_program.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>

#include <spawn.h>
#include <sys/wait.h>
#endif

#ifdef _WIN32

namespace {

// One argument as the C runtime's command-line parser reads it back: in
// quotes, with backslashes doubled where a quote follows them.
std::string Quoted(const std::string& argument) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

struct HandleCloser {
  HANDLE handle;
  ~HandleCloser() { CloseHandle(handle); }
};

}  // namespace

ProgramOutcome RunProgram(const std::vector<std::string>& arguments) {
  std::string commandLine;
  for (const std::string& argument : arguments) commandLine += (commandLine.empty() ? "" : " ") + Quoted(argument);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    return {};
  }
  const HandleCloser processHandle{process.hProcess};
  const HandleCloser threadHandle{process.hThread};
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  return {true, static_cast<int>(exitCode)};
}

#else

extern char** environ;

ProgramOutcome RunProgram(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return {};
  int status = 0;
  while (waitpid(child, &status, 0) == -1) {
    if (errno != EINTR) return {true, -1};
  }
  if (!WIFEXITED(status)) return {true, -1};
  return {true, WEXITSTATUS(status)};
}

#endif
