#pragma once

#include <string>

#include "common/launcher_error.h"

class ResourceCatalogue;

// Writes the help file carried in the CHM resource into the temporary folder.
// A failure writes its message into `error`; the run goes on either way.
void WriteHelpFile(ResourceCatalogue& catalogue, const std::string& exePath,
                   LauncherError& error);
