#pragma once

// Loading executable modules (DLLs and the executable file itself) by path and
// finding their exports. On Windows: LoadLibraryA, GetModuleHandleA,
// GetProcAddress, FreeLibrary, GetModuleFileNameA.

#include <cstdint>
#include <string>

#include "platform/unique_handle.h"

// The calling convention of the system's exported functions (WINAPI), for
// calls through an address that FindExport returned.
#if defined(_WIN32) && defined(__i386__)
#define PLATFORM_WINAPI __attribute__((stdcall))
#else
#define PLATFORM_WINAPI
#endif

namespace platform {

struct ModuleTag;
using RawModule = ModuleTag*;

// Loads the module at `path` (narrow text, ANSI code page) with no extra flags.
// Every call takes a fresh reference. Returns nullptr when it cannot be loaded.
RawModule LoadModule(const std::string& path);

// A module the process has already loaded, without taking a reference; the
// handle must not be unloaded. nullptr when it is not loaded.
RawModule FindLoadedModule(const std::string& name);

// Drops one reference taken by LoadModule. nullptr is ignored.
void UnloadModule(RawModule module) noexcept;

// Address of the export `name` of a loaded module, or nullptr when absent.
void* FindExport(RawModule module, const char* name);

// Writes the full path of the running executable into `buffer` of `size`
// characters with the operating system's semantics: the return value is the
// number of characters copied without the terminating NUL, 0 on failure, and
// `size` when the path did not fit (the text is then cut and may lack its NUL).
std::uint32_t GetOwnModuleFileName(char* buffer, std::uint32_t size);

// Compares two module paths the way the platform's multibyte string functions
// do: case-insensitively, aware of double-byte characters.
bool SamePathIgnoringCase(const std::string& a, const std::string& b);

struct ModuleTraits {
  using Raw = RawModule;
  static constexpr Raw Empty() noexcept { return nullptr; }
  static void Close(Raw module) noexcept { UnloadModule(module); }
};
using UniqueModule = UniqueHandle<ModuleTraits>;

}  // namespace platform
