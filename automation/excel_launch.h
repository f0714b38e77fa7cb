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
// An Excel that is busy is waited for: creation is tried again while it
// fails with CO_E_SERVER_EXEC_FAILURE, every call while Excel rejects it
// as busy (automation/busy_retry.h). A creation that fails, and a first
// call (Workbooks) that fails, are reported with the launch message and
// the failing code.
//
// Needs COM initialised on the calling thread. Failures the user must hear
// of replace the whole text of `error`; the others leave it as it was. Every
// automation reference taken is released before the call returns, on every
// path; Excel is never closed: an Excel that has not been shown, released
// by every client, ends by itself, and one the user has meanwhile taken
// over keeps the user's workbooks.
void LaunchExcel(const std::string& exePath, const std::string& workbookPath,
                 const std::string& runtimePath, LauncherError& error);
