#include "launcher/launcher_message.h"

#include "platform/windows_ui.h"

void ShowLauncherMessage(const std::string& text, const std::string& title,
                         std::uint32_t style) {
  const platform::WindowHandle foreground = platform::GetForegroundWindow();
  const platform::WindowHandle owner =
      platform::GetWindowThreadId(foreground) == platform::GetCurrentThreadId()
          ? foreground
          : 0;
  platform::ShowMessageBox(owner, text, title, style);
}
