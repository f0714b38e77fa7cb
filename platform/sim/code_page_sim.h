#pragma once

// The simulated system's own conversion, for what it converts within its
// other calls: no fault planned for the conversion calls applies to it.

#include <string>
#include <string_view>

namespace sim {

// `text`, in the process's ANSI code page, as UTF-16; false when it is not
// text of that code page.
bool DecodeProcessText(std::string_view text, std::u16string& wide);

}  // namespace sim
