#pragma once

#include <string>

// The full path of the running executable, or empty when the system could not
// give it whole: a path cut at the buffer's end must never be used.
std::string ExecutablePath();

// The process's work from start to end: limits where the process looks for
// DLLs to the system folder, opens the COM apartment of the run and
// registers its OLE message filter (calls a busy Excel rejects are made
// again), runs the main sequence on the executable's own path, revokes the
// filter and closes the apartment. The process exit code is always 0,
// whatever happened.
int LauncherEntry();
