#include <windows.h>

#include "platform/windows_ui.h"

namespace platform {

namespace {
HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
}  // namespace

WindowHandle GetForegroundWindow() {
  return reinterpret_cast<WindowHandle>(::GetForegroundWindow());
}

WindowHandle GetDesktopWindow() {
  return reinterpret_cast<WindowHandle>(::GetDesktopWindow());
}

WindowHandle GetRelatedWindow(WindowHandle window, WindowRelation relation) {
  return reinterpret_cast<WindowHandle>(::GetWindow(
      ToHwnd(window),
      relation == WindowRelation::kFirstChild ? GW_CHILD : GW_HWNDNEXT));
}

int GetWindowClassName(WindowHandle window, char* buffer, int size) {
  return ::GetClassNameA(ToHwnd(window), buffer, size);
}

std::uint32_t GetWindowThreadId(WindowHandle window) {
  return ::GetWindowThreadProcessId(ToHwnd(window), nullptr);
}

std::uint32_t GetCurrentThreadId() { return ::GetCurrentThreadId(); }

bool BringToForeground(WindowHandle window) {
  return ::SetForegroundWindow(ToHwnd(window)) != FALSE;
}

void ShowMessageBox(WindowHandle owner, const std::string& text,
                    const std::string& title, std::uint32_t style) {
  ::MessageBoxA(ToHwnd(owner), text.c_str(), title.c_str(), style);
}

}  // namespace platform
