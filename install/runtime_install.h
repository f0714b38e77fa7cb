#pragma once

#include <string>

#include "common/launcher_error.h"

// Installs the runtime module for the current user from the executable's
// RUNTIME resource. True with `runtimePath` set to the installed file; false
// only after the failure's message has been written into `error`.
bool InstallRuntime(const std::string& exePath, std::string& runtimePath,
                    LauncherError& error);
