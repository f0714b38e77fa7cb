#pragma once

#include <string>

#include "common/launcher_error.h"

// Starts Excel through automation, has it load the loader add-in (unless
// `runtimePath` is empty), shows it and has it open the workbook. Failures the
// user must hear of replace the text of `error`.
void LaunchExcel(const std::string& exePath, const std::string& workbookPath,
                 const std::string& runtimePath, LauncherError& error);
