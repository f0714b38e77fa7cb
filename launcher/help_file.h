#pragma once

#include <string>

#include "common/launcher_error.h"

class ResourceCatalogue;

// Writes the help file carried in the CHM resource of the executable at
// `exePath` into the user's temporary folder, under the name the help data
// gives, replacing a file of that name unless it is read-only (the launcher
// never makes it so: its user did). No CHM resource, or the one-byte
// placeholder, writes nothing and says nothing. Otherwise a failure writes
// its message into `error` (and leaves no file it made): help data that is
// not well-formed, an empty name, a name that is more than a file name, a
// path over the limit, or a file that can't be written. The run goes on
// either way. A `soleStart` (one that holds the start guard) first removes
// the partial files a killed start left beside the help file.
void WriteHelpFile(ResourceCatalogue& catalogue, const std::string& exePath,
                   bool soleStart, LauncherError& error);
