#pragma once

// The code pages the simulated Windows does not convert itself (the East
// Asian double-byte ones launcher-check reads names in), converted by the
// machine it runs on: iconv on Linux (host_code_page_iconv.cpp), the real
// kernel32 on Windows (host_code_page_windows.cpp). Text the code page
// cannot hold, or bytes that form no character of it, fail the conversion,
// as they then fail the simulated call.

#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

// `text`, in Windows code page `codePage`, as UTF-16.
bool HostDecode(std::uint32_t codePage, std::string_view text,
                std::u16string& wide);
// `wide` in Windows code page `codePage`.
bool HostEncode(std::uint32_t codePage, std::u16string_view wide,
                std::string& text);

}  // namespace sim
