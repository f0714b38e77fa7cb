#pragma once

// Top-level windows, thread identity and the message box. On Windows:
// GetForegroundWindow, GetWindowThreadProcessId, GetCurrentThreadId,
// GetDesktopWindow, GetWindow, GetClassNameA, SetForegroundWindow and
// MessageBoxA.

#include <cstdint>
#include <string>

namespace platform {

// A window handle as a number; 0 means "no window".
using WindowHandle = std::uintptr_t;

WindowHandle GetForegroundWindow();

// The desktop window, parent of every top-level window.
WindowHandle GetDesktopWindow();
enum class WindowRelation {
  kFirstChild,  // GW_CHILD: the topmost child window
  kNext,        // GW_HWNDNEXT: the next window below in Z order
};
// 0 when there is no such window.
WindowHandle GetRelatedWindow(WindowHandle window, WindowRelation relation);
// GetClassNameA: copies the class name, cut to `size` - 1 characters, and
// returns its length; 0 when it cannot be read.
int GetWindowClassName(WindowHandle window, char* buffer, int size);

// Id of the thread that created `window`; 0 when the window does not exist.
std::uint32_t GetWindowThreadId(WindowHandle window);

std::uint32_t GetCurrentThreadId();

// SetForegroundWindow: asks the system to bring `window` to the front and
// give it the keyboard. False when the system refuses (another process holds
// the foreground, or there is no such window).
bool BringToForeground(WindowHandle window);

// A modal message box; returns when the user dismisses it. Failures and the
// button pressed are not reported: nothing could be done about either.
void ShowMessageBox(WindowHandle owner, const std::string& text,
                    const std::string& title, std::uint32_t style);

}  // namespace platform
