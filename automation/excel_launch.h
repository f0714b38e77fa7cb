#pragma once

#include <string>

#include "common/launcher_error.h"

// Starts a new Excel in a process of its own through automation. With a
// runtime path, Excel first opens the loader add-in that suits its version
// and runs the add-in's setup macro with that path; an empty runtime path
// skips all three (the runtime module is registered and loaded by Excel
// itself). Then Excel is shown and brought to the front, opens the workbook
// and runs its Auto_Open macro.
//
// Needs COM initialised on the calling thread. Failures the user must hear
// of replace the whole text of `error`; the others leave it as it was. Every
// automation reference taken is released before the call returns, on every
// path; Excel is never closed.
void LaunchExcel(const std::string& exePath, const std::string& workbookPath,
                 const std::string& runtimePath, LauncherError& error);
