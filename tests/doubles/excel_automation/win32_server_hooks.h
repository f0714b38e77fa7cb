#pragma once

// The Windows server's platform: the journal file, a real XLMAIN window and
// the end of the message loop once the server is idle. Windows only.

#include <windows.h>

#include <filesystem>
#include <memory>

#include "platform/unique_handle.h"
#include "tests/doubles/excel_automation/server_hooks.h"

namespace excel_double {

class Win32ServerHooks final : public ServerHooks {
 public:
  // Opens the journal at `journalPath` for appending (made when missing,
  // shared with other server processes); nullptr when it cannot be opened.
  static std::unique_ptr<Win32ServerHooks> Open(
      const std::filesystem::path& journalPath);

  // Writes "<ms>\t<process id>\t<entry>\n" straight to the file: nothing
  // waits in a buffer, so a crash keeps every entry written before it, and
  // the entries of servers started for several clients can be told apart.
  void WriteJournal(std::string_view entry) override;
  // A top-level window of class XLMAIN titled "Excel double", hidden.
  platform::WindowHandle MakeMainWindow() override;
  void ShowMainWindow(platform::WindowHandle window, bool visible) override;
  platform::WindowHandle ForegroundWindow() override;
  // Ends the message loop of the server's thread.
  void ServerIdle() override;
  // GetTickCount.
  std::uint32_t Milliseconds() override;

 private:
  explicit Win32ServerHooks(HANDLE journal) : journal_(journal) {}

  platform::UniqueHandle<platform::ClosedBy<HANDLE, ::CloseHandle>> journal_;
  platform::UniqueHandle<platform::ClosedBy<HWND, ::DestroyWindow>> window_;
};

}  // namespace excel_double
