#include "launcher/help_file.h"

// No help file is written yet.
void WriteHelpFile(ResourceCatalogue&, const std::string&, LauncherError&) {}
