#include "automation/excel_windows.h"

#include <array>
#include <cstring>

void CollectExcelMainWindows(WindowHandleSet& windows) {
  using platform::WindowRelation;
  // 259 of the 260 bytes: a class name longer than "XLMAIN" can never be
  // cut down to it.
  std::array<char, 260> className{};
  for (platform::WindowHandle window = platform::GetRelatedWindow(
           platform::GetDesktopWindow(), WindowRelation::kFirstChild);
       window != 0;
       window = platform::GetRelatedWindow(window, WindowRelation::kNext)) {
    if (platform::GetWindowClassName(window, className.data(), 259) > 0 &&
        std::strcmp(className.data(), kExcelMainWindowClass) == 0) {
      windows.insert(window);
    }
  }
}

platform::WindowHandle FindNewExcelWindow(const WindowHandleSet& before,
                                          const WindowHandleSet& after) {
  for (platform::WindowHandle window : after) {
    if (!before.contains(window)) return window;
  }
  return 0;
}
