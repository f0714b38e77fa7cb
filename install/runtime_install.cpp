#include "install/runtime_install.h"

// Nothing is installed yet: the run goes on without a runtime path, which
// makes the Excel launch skip the loader add-in.
bool InstallRuntime(const std::string&, std::string&, LauncherError&) {
  return true;
}
