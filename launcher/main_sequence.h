#pragma once

#include <string>

// The launcher's whole run, given the full path of its own executable: the
// version gate, the resiliency cleanup, the runtime installation, the
// workbook path, the splash, the help file, the Excel launch, the splash wait
// and the report. Shows at most one message box. Returns 1 when the run ended
// without a message and 0 when it showed one.
int RunLauncher(const std::string& exePath);
