#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/launcher_error.h"

// Installs the runtime module for the current user from the executable's
// RUNTIME resource into the product folder, at every start. True with
// `runtimePath` set to the installed file; false only after the failure's
// message has been written into `error`. A module that cannot be deleted
// (loaded by a running Excel or an earlier launcher) is used as it is; one
// that is only read-only is replaced.
bool InstallRuntime(const std::string& exePath, std::string& runtimePath,
                    LauncherError& error);

// Extracts the runtime archive's first entry to `targetPath`, through a
// partial file beside it that is renamed into place once complete, so no
// start ever finds a half-written module there. True when that worked or,
// failing that, when a file exists at `targetPath` afterwards: another
// process put it there. Something already at `targetPath` is never
// replaced.
bool ExtractRuntimeFile(const std::vector<std::uint8_t>& archive,
                        const std::string& targetPath);
