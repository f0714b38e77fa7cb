#pragma once

#include <string>

// The one error text of a run. A failing step replaces the whole text by
// assignment, never appends to another step's text, so the last failure of a
// run is the one the user is told about.
using LauncherError = std::string;
