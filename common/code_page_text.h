#pragma once

// Text converted between a code page and UTF-16 by the system's own tables
// (MultiByteToWideChar, WideCharToMultiByte), for the places where Windows
// gives text in one and the launcher needs it in another.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// `text`, written in `codePage`, as UTF-16; nullopt when the system cannot
// convert it. Empty text is empty.
std::optional<std::u16string> WideFromCodePage(std::string_view text,
                                               std::uint32_t codePage);

// `text` written in `codePage`; nullopt when the system cannot convert it.
// Empty text is empty.
std::optional<std::string> CodePageFromWide(std::u16string_view text,
                                            std::uint32_t codePage);
