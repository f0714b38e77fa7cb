#pragma once

// Finding Excel's main window among the top-level windows, for when Excel
// does not tell its own handle.

#include <cstdint>
#include <set>

#include "platform/windows_ui.h"

struct WindowHandleOrder {
  // Window handles compare as unsigned 32-bit numbers, the part of a handle
  // that Windows uses.
  bool operator()(platform::WindowHandle a, platform::WindowHandle b) const {
    return static_cast<std::uint32_t>(a) < static_cast<std::uint32_t>(b);
  }
};

// Top-level window handles in ascending value, each at most once. It holds
// no reference to the windows: a handle may outlive its window.
using WindowHandleSet = std::set<platform::WindowHandle, WindowHandleOrder>;

// The class name of Excel's main window, compared case-sensitively.
inline constexpr char kExcelMainWindowClass[] = "XLMAIN";

// Adds every top-level window of class XLMAIN, whatever its process, to
// `windows`.
void CollectExcelMainWindows(WindowHandleSet& windows);

// The lowest handle of `after` that `before` lacks; 0 when there is none.
platform::WindowHandle FindNewExcelWindow(const WindowHandleSet& before,
                                          const WindowHandleSet& after);
