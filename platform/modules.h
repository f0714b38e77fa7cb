#pragma once

// Loading executable modules (DLLs and the executable file itself) and
// finding their exports, and where the process looks for DLLs. On Windows:
// LoadLibraryExA, GetModuleHandleA, GetProcAddress, FreeLibrary,
// GetModuleFileNameA, GetSystemDirectoryA, SetDefaultDllDirectories (bound
// at run time) and SetDllDirectoryA.

#include <cstdint>
#include <string>

#include "platform/real_windows.h"
#include "platform/unique_handle.h"

// The calling convention of the system's exported functions (WINAPI), for
// calls through an address that FindExport returned. The simulated system's
// exports are plain functions of this program, on a 32-bit Windows too.
#if defined(PLATFORM_REAL_WINDOWS) && defined(__i386__)
#define PLATFORM_WINAPI __attribute__((stdcall))
#else
#define PLATFORM_WINAPI
#endif

namespace platform {

struct ModuleTag;
using RawModule = ModuleTag*;

// How a module is loaded, which decides where the system looks for it and
// for the DLLs it imports. None of them ever looks in the executable's own
// folder or the current folder: a launcher started from Downloads must not
// run a DLL planted beside it.
enum class LoadAs {
  // One of Windows' own DLLs, named without a folder ("shell32.dll"): taken
  // from the system folder only.
  kSystemDll,
  // A module named by its full path, whose imports are found in its own
  // folder and then in the system folder.
  kModuleByFullPath,
  // A file whose resources are read: mapped as data, so none of its code
  // runs and nothing it imports is loaded.
  kResourceData,
};

// Loads the module at `path` (narrow text, ANSI code page) as `as` says.
// Every call takes a fresh reference. Returns nullptr when it cannot be
// loaded.
RawModule LoadModule(const std::string& path, LoadAs as);

// What LimitDllSearch could make of the process's DLL search.
enum class DllSearch {
  // The system folder only (SetDefaultDllDirectories).
  kSystemFolderOnly,
  // A system without SetDefaultDllDirectories: the current folder is no
  // longer searched (SetDllDirectoryA("")), the executable's folder still is.
  kWithoutCurrentFolder,
  // Neither could be set.
  kUnchanged,
};

// Limits where every later load of the process looks for DLLs, those that
// Windows' own DLLs make on the launcher's behalf included. Called first of
// all, before anything can load a DLL.
DllSearch LimitDllSearch();

// A module the process has already loaded, without taking a reference; the
// handle must not be unloaded. nullptr when it is not loaded.
RawModule FindLoadedModule(const std::string& name);

// Drops one reference taken by LoadModule. nullptr is ignored.
void UnloadModule(RawModule module) noexcept;

// Address of the export `name` of a loaded module, or nullptr when absent.
void* FindExport(RawModule module, const char* name);

// FindExport as a pointer to the function type `Function`.
template <typename Function>
Function FindExportAs(RawModule module, const char* name) {
  return reinterpret_cast<Function>(FindExport(module, name));
}

// Writes the full path of the running executable into `buffer` of `size`
// characters with the operating system's semantics: the return value is the
// number of characters copied without the terminating NUL, 0 on failure, and
// `size` when the path did not fit (the text is then cut and may lack its NUL).
std::uint32_t GetOwnModuleFileName(char* buffer, std::uint32_t size);

using UniqueModule = UniqueHandle<ClosedBy<RawModule, UnloadModule>>;

}  // namespace platform
