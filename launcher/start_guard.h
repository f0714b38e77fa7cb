#pragma once

#include <cstdint>
#include <string>

#include "platform/named_mutex.h"

// Keeps the starts of one user apart from the runtime installation to the
// end of the splash wait. A user who double-clicks twice starts two
// launchers a moment apart; without the guard they would install over each
// other, and would share the runtime module's splash event, an automatic-
// reset event of a fixed name: one start could take or clear the other's
// signal and then wait for ever. The guard is a mutex of the logon session,
// which is the namespace that event lives in, named for the user: another
// user's program in the same session (one started with RunAs) neither holds
// this user's starts up nor is held up by them.
class StartGuard {
 public:
  // The guard's name in the session's namespace, followed by "." and the
  // user's security identifier; alone when that cannot be had.
  static constexpr char kName[] = "Local\\SheltraLauncherStart";
  // How long a start waits for an earlier one to finish its splash.
  static constexpr std::uint32_t kWaitMilliseconds = 60000;

  // Waits up to kWaitMilliseconds for the guard. A guard whose holder ended
  // without releasing it (a start that was killed) is taken over.
  StartGuard();
  // Releases the guard when this start holds it.
  ~StartGuard();
  StartGuard(const StartGuard&) = delete;
  StartGuard& operator=(const StartGuard&) = delete;

  // Whether this start holds the guard. When it does not (another start kept
  // it past the wait, or the system gave no guard), the start goes on without
  // a splash: a splash that might share the event is never begun.
  bool Held() const { return held_; }

  // The name of the guard of the user the process runs as.
  static std::string NameForUser();

 private:
  platform::UniqueMutex mutex_;
  bool held_ = false;
};
