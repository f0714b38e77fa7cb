#pragma once

// The code pages narrow text is written in. On Windows: GetACP,
// GetLocaleInfoA and IsDBCSLeadByte.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace platform {

inline constexpr std::uint32_t kUtf8CodePage = 65001;

// The process's ANSI code page, in which every "A" function takes and
// returns text: UTF-8 when the executable's manifest asks for it and the
// system honours that (Windows 10 1903 and later), else the system's.
std::uint32_t ProcessCodePage();

// The system's ANSI code page, whatever the process's own: the one text
// written by a program of this system's users, such as the authoring tool,
// is in.
std::uint32_t SystemCodePage();

// Whether `byte` opens a double-byte character in the process's ANSI code
// page (code pages such as 932, 936, 949 and 950), so that the byte after it
// belongs to the same character, whatever its value. Never in UTF-8.
bool IsLeadByte(char byte);

// The length in bytes of the UTF-8 character that starts at `position` of
// `text` (which must be inside it): 2 to 4 for a well-formed multi-byte
// sequence (no overlong form, no surrogate, nothing past U+10FFFF), else 1,
// for ASCII and for a byte that starts no character.
inline std::size_t Utf8SequenceLength(std::string_view text,
                                      std::size_t position) {
  const auto byte = [&](std::size_t i) {
    return static_cast<unsigned char>(text[position + i]);
  };
  const unsigned char lead = byte(0);
  std::size_t length = 1;
  // The range the second byte must fall in, narrower than 0x80-0xBF after
  // the lead bytes that would otherwise start an overlong form, a surrogate
  // or a code point past U+10FFFF.
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  if (length == 1 || position + length > text.size()) return 1;
  if (byte(1) < low || byte(1) > high) return 1;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 1;
  }
  return length;
}

}  // namespace platform
