#pragma once

#include <string>

// The launcher's whole run, given the full path of its own executable: the
// version gate, the resiliency cleanup, the runtime installation, the
// workbook path, the splash, the help file, the Excel launch, the splash wait
// and the report. Shows at most one message box.
void RunLauncher(const std::string& exePath);
