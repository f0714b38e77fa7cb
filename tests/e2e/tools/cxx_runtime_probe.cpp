// Checks, under the real Windows runtime, the C++ runtime support that the
// launcher links in place of libstdc++'s:
//
//   cxx_runtime_probe.exe            runs the checks, exit code 0 when all hold
//   cxx_runtime_probe.exe misuse     misuses a string (the child of a check)
//
// - a string longer than any allocation can hold reports std::bad_alloc;
// - a misused string ends the process as abort() does (exit code 3), with
//   nothing of libstdc++'s verbose terminate handler on the error output.
#include <windows.h>

#include <cstdio>
#include <new>
#include <string>

#include "tests/support/kernel_handle.h"

namespace {

constexpr DWORD kAbortExitCode = 3;

bool OversizedStringReportsBadAlloc() {
  std::string text;
  try {
    text.reserve(text.max_size() + 1);
  } catch (const std::bad_alloc&) {
    return true;
  }
  return false;
}

struct Child {
  DWORD exitCode = 0;
  std::string errorOutput;
};

bool RunMisusingChild(Child& child) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return false;
  test_support::KernelHandle reader(readEnd);
  test_support::KernelHandle writer(writeEnd);
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

  char self[MAX_PATH];
  if (::GetModuleFileNameA(nullptr, self, MAX_PATH) == 0) return false;
  std::string commandLine = std::string("\"") + self + "\" misuse";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdError = writeEnd;
  startup.hStdOutput = writeEnd;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                        0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  test_support::KernelHandle processHandle(
      process.hProcess);
  test_support::KernelHandle thread(process.hThread);
  writer.Reset();

  char buffer[512];
  DWORD read = 0;
  while (::ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) &&
         read > 0) {
    child.errorOutput.append(buffer, read);
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  return ::GetExitCodeProcess(process.hProcess, &child.exitCode) != 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "misuse") {
    const std::string text = "x";
    std::printf("%s\n", text.substr(2).c_str());
    return 0;
  }

  int failures = 0;
  if (!OversizedStringReportsBadAlloc()) {
    std::printf("FAILED: an oversized string did not report std::bad_alloc\n");
    ++failures;
  }
  Child child;
  if (!RunMisusingChild(child)) {
    std::printf("FAILED: the misusing child could not be run\n");
    return failures + 1;
  }
  if (child.exitCode != kAbortExitCode) {
    std::printf("FAILED: a misused string ended with exit code %lu, not %lu\n",
                child.exitCode, kAbortExitCode);
    ++failures;
  }
  if (child.errorOutput.find("terminate called") != std::string::npos) {
    std::printf("FAILED: the verbose terminate handler ran: %s\n",
                child.errorOutput.c_str());
    ++failures;
  }
  std::printf("misused string: exit code %lu, error output \"%s\"\n",
              child.exitCode, child.errorOutput.c_str());
  return failures;
}
