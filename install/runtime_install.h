#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/launcher_error.h"

// Installs the runtime module for the current user from the executable's
// RUNTIME resource into the product folder, at every start. True with
// `runtimePath` set to the installed file; false only after the failure's
// message has been written into `error`. A module that cannot be deleted
// (loaded by a running Excel or an earlier launcher, or held by a scanner
// past the retries) is used as it is; one that is only read-only is
// replaced. With `soleStart` (this start holds the start guard, so no other
// start writes into the product folder) the partial files found there are
// leftovers of killed starts and are removed first.
bool InstallRuntime(const std::string& exePath, bool soleStart,
                    std::string& runtimePath, LauncherError& error);

// Extracts the runtime archive's first entry to `targetPath` through a
// PendingFile, so no start ever finds a half-written module there, and then
// gives the installed file the entry's times and attributes (a file renamed
// into a name deleted moments before may have been given the old file's
// creation time). True when that worked or, failing that, when a file
// exists at `targetPath` afterwards: another process put it there.
// Something already at `targetPath` is never replaced.
bool ExtractRuntimeFile(const std::vector<std::uint8_t>& archive,
                        const std::string& targetPath);
