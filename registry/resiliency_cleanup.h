#pragma once

#include "common/launcher_error.h"

// Removes Excel's per-user resiliency records when the runtime add-in is
// registered, so that Excel does not keep it disabled. False only after the
// failure's message has been written into `error`.
bool CleanExcelResiliency(LauncherError& error);
