#include <windows.h>

#include "platform/modules.h"

namespace platform {

namespace {

// SetDefaultDllDirectories and the LOAD_LIBRARY_SEARCH_* flags of
// LoadLibraryExA arrived together (Windows 8, and Windows 7 with
// KB2533623); where one is missing so are the others.
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

SetDefaultDllDirectoriesFunction FindSetDefaultDllDirectories() {
  return reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(::GetProcAddress(
          ::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
}

bool SearchFlagsAvailable() {
  static const bool available = FindSetDefaultDllDirectories() != nullptr;
  return available;
}

// `name` in the system folder, for systems without the search flags; empty
// when the folder is unknown. The folder holds up to MAX_PATH characters,
// three bytes each at most in a UTF-8 process; a path over the limit is
// refused by the load itself.
std::string InSystemFolder(const std::string& name) {
  char folder[3 * MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryA(folder, sizeof folder);
  if (length == 0 || length >= sizeof folder) return {};
  std::string path(folder, length);
  path += '\\';
  path += name;
  return path;
}

HMODULE LoadSystemDll(const std::string& name) {
  if (SearchFlagsAvailable()) {
    return ::LoadLibraryExA(name.c_str(), nullptr,
                            LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  const std::string path = InSystemFolder(name);
  return path.empty() ? nullptr
                      : ::LoadLibraryExA(path.c_str(), nullptr,
                                         LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadByFullPath(const std::string& path) {
  // Without the search flags, the altered search order puts the module's
  // own folder where the executable's folder would have been.
  const DWORD flags =
      SearchFlagsAvailable()
          ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
          : LOAD_WITH_ALTERED_SEARCH_PATH;
  return ::LoadLibraryExA(path.c_str(), nullptr, flags);
}

}  // namespace

RawModule LoadModule(const std::string& path, LoadAs as) {
  HMODULE module = nullptr;
  switch (as) {
    case LoadAs::kSystemDll:
      module = LoadSystemDll(path);
      break;
    case LoadAs::kModuleByFullPath:
      module = LoadByFullPath(path);
      break;
    case LoadAs::kResourceData:
      module =
          ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
      break;
  }
  return reinterpret_cast<RawModule>(module);
}

DllSearch LimitDllSearch() {
  if (const SetDefaultDllDirectoriesFunction setDefault =
          FindSetDefaultDllDirectories();
      setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    return DllSearch::kSystemFolderOnly;
  }
  return ::SetDllDirectoryA("") ? DllSearch::kWithoutCurrentFolder
                                : DllSearch::kUnchanged;
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

}  // namespace platform
