#include "automation/excel_launch.h"

// Excel is not started yet: the launch does nothing and reports nothing.
void LaunchExcel(const std::string&, const std::string&, const std::string&,
                 LauncherError&) {}
