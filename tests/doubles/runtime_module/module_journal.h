#pragma once

// The journals the DLL doubles keep beside their own module files, so that a
// test reads what happened where the module was loaded from. Windows only.

#include <windows.h>

#include <string>

namespace module_double {

// The full path of `module`'s file; empty when it cannot be had.
std::string ModuleFilePath(HMODULE module);

// The full path of the module whose image holds `address`; empty when it
// cannot be had.
std::string ModulePathOf(const void* address);

// Appends `line` and its line end, in one write under the journal lock, to
// the file `journalName` in the folder of `modulePath`: threads and
// processes that journal at once never interleave within a line. Nothing is written when the file cannot
// be opened; there is nowhere better to tell.
void AppendBeside(const std::string& modulePath, const char* journalName,
                  const std::string& line);

}  // namespace module_double
