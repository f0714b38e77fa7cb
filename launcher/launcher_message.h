#pragma once

#include <cstdint>
#include <string>

// Shows `text` in a modal message box. The foreground window becomes the
// box's owner only when it belongs to the calling thread; a box owned by
// another process's window (Excel's, typically) would tie the two together.
void ShowLauncherMessage(const std::string& text, const std::string& title,
                         std::uint32_t style);
