#pragma once

#include "common/launcher_error.h"

// Removes Excel's per-user resiliency records (the whole "Excel\Resiliency"
// key of the located Excel generation) when the runtime add-in is registered
// and Excel holds disabled or startup items, so that an earlier failure does
// not keep Excel from loading the add-in. True when there was nothing to do
// or the records are gone; false only after its message has been written
// into `error`.
bool CleanExcelResiliency(LauncherError& error);
