#include "tests/doubles/runtime_module/module_journal.h"

#include "tests/support/journal_lock.h"
#include "tests/support/kernel_handle.h"

namespace module_double {

std::string ModuleFilePath(HMODULE module) {
  char path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(path, length);
}

std::string ModulePathOf(const void* address) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &module)) {
    return {};
  }
  return ModuleFilePath(module);
}

void AppendBeside(const std::string& modulePath, const char* journalName,
                  const std::string& line) {
  const std::size_t separator = modulePath.find_last_of('\\');
  if (separator == std::string::npos) return;
  const std::string journal = modulePath.substr(0, separator + 1) + journalName;
  const test_support::KernelHandle file(test_support::OwnedFile(::CreateFileA(
      journal.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
  if (!file) return;
  const std::string text = line + "\n";
  const test_support::JournalLock lock;
  DWORD written = 0;
  ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
}

}  // namespace module_double
