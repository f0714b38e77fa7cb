#include "tests/doubles/excel_automation/win32_server_hooks.h"

#include <cstdint>
#include <string>

#include "tests/support/journal_lock.h"

namespace excel_double {
namespace {

constexpr wchar_t kMainWindowClass[] = L"XLMAIN";
constexpr wchar_t kMainWindowTitle[] = L"Excel double";
// 100-nanosecond ticks from 1601 to the Unix epoch.
constexpr std::uint64_t kUnixEpochTicks = 116444736000000000ULL;
constexpr std::uint64_t kTicksPerMillisecond = 10000;

std::uint64_t MillisecondsSinceUnixEpoch() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
      now.dwLowDateTime;
  return (ticks - kUnixEpochTicks) / kTicksPerMillisecond;
}

bool RegisterMainWindowClass() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = ::DefWindowProcW;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kMainWindowClass;
  return ::RegisterClassExW(&windowClass) != 0;
}

}  // namespace

std::unique_ptr<Win32ServerHooks> Win32ServerHooks::Open(
    const std::filesystem::path& journalPath) {
  HANDLE journal = ::CreateFileW(journalPath.c_str(), FILE_APPEND_DATA,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (journal == INVALID_HANDLE_VALUE) return nullptr;
  return std::unique_ptr<Win32ServerHooks>(new Win32ServerHooks(journal));
}

void Win32ServerHooks::WriteJournal(std::string_view entry) {
  std::string line = std::to_string(MillisecondsSinceUnixEpoch());
  line += '\t';
  line += std::to_string(::GetCurrentProcessId());
  line += '\t';
  line += entry;
  line += '\n';
  // Servers started for several clients share the journal.
  const test_support::JournalLock lock;
  DWORD written = 0;
  // A failed write cannot be reported anywhere better than the journal.
  ::WriteFile(journal_.Get(), line.data(), static_cast<DWORD>(line.size()),
              &written, nullptr);
}

platform::WindowHandle Win32ServerHooks::MakeMainWindow() {
  if (!RegisterMainWindowClass()) return 0;
  window_.Reset(::CreateWindowExW(0, kMainWindowClass, kMainWindowTitle,
                                  WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 640, 480, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr));
  return reinterpret_cast<platform::WindowHandle>(window_.Get());
}

void Win32ServerHooks::ShowMainWindow(platform::WindowHandle window,
                                      bool visible) {
  ::ShowWindow(reinterpret_cast<HWND>(window), visible ? SW_SHOWNA : SW_HIDE);
}

platform::WindowHandle Win32ServerHooks::ForegroundWindow() {
  return reinterpret_cast<platform::WindowHandle>(::GetForegroundWindow());
}

void Win32ServerHooks::ServerIdle() { ::PostQuitMessage(0); }

std::uint32_t Win32ServerHooks::Milliseconds() { return ::GetTickCount(); }

}  // namespace excel_double
