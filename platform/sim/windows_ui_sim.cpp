#include "platform/sim/sim_world.h"
#include "platform/windows_ui.h"

namespace platform {

WindowHandle GetForegroundWindow() { return sim::TheWorld().foregroundWindow; }

std::uint32_t GetWindowThreadId(WindowHandle window) {
  const auto& threads = sim::TheWorld().windowThreads;
  auto found = threads.find(window);
  return found == threads.end() ? 0 : found->second;
}

std::uint32_t GetCurrentThreadId() { return sim::TheWorld().currentThreadId; }

void ShowMessageBox(WindowHandle owner, const std::string& text,
                    const std::string& title, std::uint32_t style) {
  sim::TheWorld().messageBoxes.push_back({owner, text, title, style});
}

}  // namespace platform
