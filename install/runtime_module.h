#pragma once

#include <string>

#include "platform/modules.h"

// Loads the runtime module at `path` to call its exports: by its full path,
// with the DLLs it imports taken from its own folder and the system folder,
// never from the launcher's folder or the current folder. nullptr when it
// cannot be loaded, and for a path that is not fully qualified: a module
// named that way would be searched for, and a planted copy could be found.
platform::RawModule LoadRuntimeModule(const std::string& path);
