// A stand-in for a DLL that the runtime module imports (SheltraSupport.dll),
// which the runtime's own setup puts beside it. It tells where it was loaded
// from: when it is attached to a process it appends one line to
// "SheltraSupport.journal" in its own folder,
//
//   module=<its own full path>  process=<the executable's full path>
//   pid=<n>  time=<ms since the Unix epoch>
//
// tab-separated. A copy under another name, such as shell32.dll planted
// beside a program, journals the same way, naming itself by that path, so a
// test can tell which of several copies a process loaded, if any.
#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/doubles/runtime_module/module_journal.h"
#include "tests/support/wall_clock.h"

extern "C" {

// The export the runtime module double calls, so that its import is real.
std::int32_t SheltraSupportReady() { return 1; }

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    const std::string path = module_double::ModuleFilePath(self);
    module_double::AppendBeside(
        path, "SheltraSupport.journal",
        "module=" + path + "\tprocess=" +
            module_double::ModuleFilePath(nullptr) +
            "\tpid=" + std::to_string(::GetCurrentProcessId()) +
            "\ttime=" + std::to_string(test_support::UnixMilliseconds()));
  }
  return TRUE;
}

}  // extern "C"
