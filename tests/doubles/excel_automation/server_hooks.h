#pragma once

// The little the double's dispatch logic needs from where it runs: a real
// Windows process (win32_server_hooks) or the simulated Windows of the host
// tests (excel_double_inproc). Called on the server's one thread only.

#include <cstdint>
#include <string_view>

#include "platform/windows_ui.h"

namespace excel_double {

class ServerHooks {
 public:
  virtual ~ServerHooks() = default;

  // Records one journal entry (tab-separated fields, no line end). Each entry
  // must be kept even if the process dies right after.
  virtual void WriteJournal(std::string_view entry) = 0;
  // Makes the top-level window of class XLMAIN, hidden; 0 when it cannot be
  // made.
  virtual platform::WindowHandle MakeMainWindow() = 0;
  // Shows or hides `window` without activating it: bringing Excel to the
  // front is the client's job, and the journal tells whether it did.
  virtual void ShowMainWindow(platform::WindowHandle window, bool visible) = 0;
  virtual platform::WindowHandle ForegroundWindow() = 0;
  // No object is alive and no lock is held: a local server ends now.
  virtual void ServerIdle() = 0;
  // A millisecond clock that wraps (GetTickCount): in the simulated Windows
  // the world's, which moves only with the launcher's pauses.
  virtual std::uint32_t Milliseconds() = 0;
};

}  // namespace excel_double
