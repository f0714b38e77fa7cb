#pragma once

// The state one Excel double shares between its objects: the settings it was
// told, the journal, its XLMAIN window and the count of live objects and
// locks. One per server process on Windows; one per registration in the
// simulated Windows.

#include <memory>
#include <string_view>

#include "platform/com_types.h"
#include "platform/windows_ui.h"
#include "tests/doubles/excel_automation/double_settings.h"
#include "tests/doubles/excel_automation/server_hooks.h"

namespace excel_double {

class DoubleServer {
 public:
  // Journals one setting-ignored entry per line of `settings` it did not
  // understand. `hooks` must not be null.
  DoubleServer(DoubleSettings settings, std::unique_ptr<ServerHooks> hooks);
  DoubleServer(const DoubleServer&) = delete;
  DoubleServer& operator=(const DoubleServer&) = delete;

  const DoubleSettings& settings() const { return settings_; }
  void Journal(std::string_view entry) { hooks_->WriteJournal(entry); }

  // Counts one call (GetIDsOfNames or Invoke) and tells whether the server
  // is busy for it, as busy.calls, busy.after and busy.ms say: the caller
  // then rejects it, unexecuted.
  bool RejectsCall();

  // Makes the XLMAIN window on the first call, unless the settings say
  // window=none or the platform cannot make one, and journals its handle.
  // Later calls change nothing.
  void EnsureMainWindow();
  // 0 while there is no window.
  platform::WindowHandle MainWindow() const { return mainWindow_; }
  void ShowMainWindow(bool visible);
  // Journals whether the XLMAIN window is the foreground window now.
  void JournalForeground();

  // Objects and IClassFactory::LockServer locks. When the last of both goes,
  // the hooks hear that the server is idle.
  void ObjectCreated() { ++liveObjects_; }
  void ObjectDestroyed();
  void AddLock() { ++locks_; }
  void RemoveLock();
  int LiveObjects() const { return liveObjects_; }
  // Journals a refused creation; a server that made no object is idle then.
  void CreationRefused(HRESULT result);

 private:
  void IdleCheck();

  DoubleSettings settings_;
  std::unique_ptr<ServerHooks> hooks_;
  std::uint32_t started_ = 0;
  // Calls served and calls rejected by busy.calls so far.
  std::uint32_t served_ = 0;
  std::uint32_t rejected_ = 0;
  bool windowAttempted_ = false;
  platform::WindowHandle mainWindow_ = 0;
  int liveObjects_ = 0;
  int locks_ = 0;
};

}  // namespace excel_double
