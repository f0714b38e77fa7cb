#include <windows.h>

#include <vector>

#include "platform/modules.h"
#include "platform/process.h"
#include "platform/unique_handle.h"

namespace platform {

namespace {

using UniqueToken = UniqueHandle<ClosedBy<HANDLE, ::CloseHandle>>;

// Text that the system allocated with LocalAlloc.
using UniqueLocalText = UniqueHandle<ClosedBy<char*, ::LocalFree>>;

using OpenProcessTokenFunction = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE*);
using GetTokenInformationFunction =
    BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, void*, DWORD, DWORD*);
using ConvertSidToStringSidAFunction = BOOL(WINAPI*)(PSID, char**);

}  // namespace

std::uint32_t GetCurrentProcessId() { return ::GetCurrentProcessId(); }

std::string CurrentUserSid() {
  // Bound at run time: the executable imports nothing from advapi32.
  const UniqueModule advapi32(LoadModule("advapi32.dll", LoadAs::kSystemDll));
  if (!advapi32) return {};
  const auto openProcessToken = FindExportAs<OpenProcessTokenFunction>(
      advapi32.Get(), "OpenProcessToken");
  const auto getTokenInformation = FindExportAs<GetTokenInformationFunction>(
      advapi32.Get(), "GetTokenInformation");
  const auto convertSidToStringSid =
      FindExportAs<ConvertSidToStringSidAFunction>(advapi32.Get(),
                                                   "ConvertSidToStringSidA");
  if (openProcessToken == nullptr || getTokenInformation == nullptr ||
      convertSidToStringSid == nullptr) {
    return {};
  }

  HANDLE rawToken = nullptr;
  if (!openProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) {
    return {};
  }
  const UniqueToken token(rawToken);
  DWORD size = 0;
  getTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  if (size < sizeof(TOKEN_USER)) return {};
  // TOKEN_USER holds pointers: its buffer is aligned for them.
  std::vector<void*> buffer((size + sizeof(void*) - 1) / sizeof(void*));
  if (!getTokenInformation(token.Get(), TokenUser, buffer.data(), size,
                           &size)) {
    return {};
  }
  char* rawText = nullptr;
  const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
  if (!convertSidToStringSid(user->User.Sid, &rawText)) return {};
  const UniqueLocalText text(rawText);
  return text.Get();
}

}  // namespace platform
