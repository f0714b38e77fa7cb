#include <algorithm>
#include <cstring>

#include "platform/sim/sim_world.h"
#include "platform/windows_ui.h"

namespace platform {

WindowHandle GetForegroundWindow() { return sim::TheWorld().foregroundWindow; }

namespace {
// The simulated desktop's handle; no top-level window uses it.
constexpr WindowHandle kDesktop = 0x10010;
}  // namespace

WindowHandle GetDesktopWindow() { return kDesktop; }

WindowHandle GetRelatedWindow(WindowHandle window, WindowRelation relation) {
  const auto& windows = sim::TheWorld().windows;
  if (relation == WindowRelation::kFirstChild) {
    return window == kDesktop && !windows.empty() ? windows.front().handle : 0;
  }
  for (std::size_t i = 0; i + 1 < windows.size(); ++i) {
    if (windows[i].handle == window) return windows[i + 1].handle;
  }
  return 0;
}

int GetWindowClassName(WindowHandle window, char* buffer, int size) {
  const sim::SimWindow* found = sim::TheWorld().FindWindow(window);
  if (found == nullptr || found->className.empty() || size <= 0) return 0;
  const int length =
      std::min(static_cast<int>(found->className.size()), size - 1);
  std::memcpy(buffer, found->className.data(), length);
  buffer[length] = '\0';
  return length;
}

std::uint32_t GetWindowThreadId(WindowHandle window) {
  const sim::SimWindow* found = sim::TheWorld().FindWindow(window);
  return found == nullptr ? 0 : found->threadId;
}

std::uint32_t GetCurrentThreadId() { return sim::TheWorld().currentThreadId; }

bool BringToForeground(WindowHandle window) {
  sim::World& world = sim::TheWorld();
  if (world.FindWindow(window) == nullptr ||
      world.faults.ShouldFail("SetForegroundWindow")) {
    return false;
  }
  world.foregroundWindow = window;
  return true;
}

void ShowMessageBox(WindowHandle owner, const std::string& text,
                    const std::string& title, std::uint32_t style) {
  sim::TheWorld().messageBoxes.push_back({owner, text, title, style});
}

}  // namespace platform
