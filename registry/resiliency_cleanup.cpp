#include "registry/resiliency_cleanup.h"

// Nothing is cleaned yet: with no add-in registration read, there are no
// records to remove and the run goes on.
bool CleanExcelResiliency(LauncherError&) { return true; }
