#include "launcher/main_sequence.h"

#include <optional>

#include "automation/excel_launch.h"
#include "common/launcher_error.h"
#include "common/messages.h"
#include "install/runtime_install.h"
#include "install/runtime_version.h"
#include "launcher/help_file.h"
#include "launcher/launcher_message.h"
#include "launcher/splash.h"
#include "launcher/start_guard.h"
#include "launcher/workbook_path.h"
#include "registry/office_registry.h"
#include "registry/resiliency_cleanup.h"
#include "resources/resource_catalogue.h"

namespace {

// Everything from the runtime installation to the Excel launch and the splash
// wait. Returns early where a failure ends the run; the caller reports.
void RunInstalledSteps(const std::string& exePath, bool runtimeWasRegistered,
                       LauncherError& error) {
  // Held from the installation to the end of the splash wait: declared
  // first, released last.
  const StartGuard guard;
  ResourceCatalogue catalogue;
  std::string runtimePath;
  if (!InstallRuntime(exePath, guard.Held(), runtimePath, error)) return;

  std::string extension;
  catalogue.ReadExtension(exePath, extension);
  const std::optional<std::string> workbookPath =
      MakeWorkbookPath(exePath, extension);
  if (!workbookPath) {
    error = messages::WorkbookPathFailed("");
    return;
  }

  // The runtime module keeps the addresses of these until the splash ends.
  SplashHandOff splash;
  platform::UniqueEvent splashEnded;
  // Without the guard another start may be showing its splash: this one
  // shows none rather than share the splash event with it.
  if (guard.Held()) {
    splashEnded = StartSplash(catalogue, exePath, runtimePath, splash);
  }
  WriteHelpFile(catalogue, exePath, guard.Held(), error);

  // A registered add-in is loaded by Excel itself: the launch then gets no
  // runtime path and skips the loader add-in.
  if (runtimeWasRegistered) runtimePath.clear();
  LaunchExcel(exePath, *workbookPath, runtimePath, error);

  if (splashEnded) WaitForSplash(std::move(splashEnded));
}

}  // namespace

void RunLauncher(const std::string& exePath) {
  OfficeRegistry officeRegistry;

  const bool runtimeWasRegistered = officeRegistry.IsRuntimeAddinRegistered();
  if (runtimeWasRegistered &&
      !CheckRuntimeVersion(officeRegistry.GetRegisteredRuntimePath())) {
    ShowLauncherMessage(messages::RuntimeTooOld(), messages::kTitle,
                        messages::kStyle);
    return;
  }

  LauncherError error;
  if (CleanExcelResiliency(error)) {
    RunInstalledSteps(exePath, runtimeWasRegistered, error);
  }

  if (!error.empty()) {
    ShowLauncherMessage(error, messages::kTitle, messages::kStyle);
  }
}
