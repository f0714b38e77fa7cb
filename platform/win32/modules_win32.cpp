#include <windows.h>

#include <mbstring.h>

#include "platform/modules.h"

namespace platform {

RawModule LoadModule(const std::string& path) {
  return reinterpret_cast<RawModule>(::LoadLibraryA(path.c_str()));
}

RawModule FindLoadedModule(const std::string& name) {
  return reinterpret_cast<RawModule>(::GetModuleHandleA(name.c_str()));
}

void UnloadModule(RawModule module) noexcept {
  if (module != nullptr) ::FreeLibrary(reinterpret_cast<HMODULE>(module));
}

void* FindExport(RawModule module, const char* name) {
  return reinterpret_cast<void*>(
      ::GetProcAddress(reinterpret_cast<HMODULE>(module), name));
}

std::uint32_t GetOwnModuleFileName(char* buffer, std::uint32_t size) {
  return ::GetModuleFileNameA(nullptr, buffer, size);
}

bool SamePathIgnoringCase(const std::string& a, const std::string& b) {
  return ::_mbsicmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                    reinterpret_cast<const unsigned char*>(b.c_str())) == 0;
}

}  // namespace platform
