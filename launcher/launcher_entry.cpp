#include "launcher/launcher_entry.h"

#include <array>

#include "automation/busy_retry.h"
#include "common/path_limits.h"
#include "launcher/main_sequence.h"
#include "platform/com.h"
#include "platform/modules.h"

std::string ExecutablePath() {
  std::array<char, kPathBufferSize> buffer{};
  const std::uint32_t length =
      platform::GetOwnModuleFileName(buffer.data(), kPathBufferSize);
  if (length == 0 || length >= kPathBufferSize) return {};
  std::string path(buffer.data(), length);
  return FitsPathLimit(path) ? path : std::string();
}

int LauncherEntry() {
  // Before COM or anything else can load a DLL: the launcher is started
  // from Downloads or a mail attachment's folder, where a DLL can be
  // planted beside it or in the folder it is started in.
  platform::LimitDllSearch();
  platform::InitializeCom();
  {
    // For the run, COM itself makes a call that a busy Excel rejected
    // again, as the automation layer does (where COM does not: Wine's COM
    // ignores the verdict). Revoked before COM is uninitialised.
    const platform::MessageFilterRegistration busyExcelFilter(
        automation::kBusyCallRetry);
    RunLauncher(ExecutablePath());
  }
  platform::UninitializeCom();
  return 0;
}
