#pragma once

#include <string_view>

// Narrow text (paths, file names) read character by character in the ANSI
// code page: in a double-byte code page the second byte of a character may
// have the value of a backslash ("\x97\x5C" is a kanji in code page 932),
// and it is no backslash.

// The position of the first character of `text` that is one of the
// single-byte `characters`, or std::string_view::npos.
std::size_t FindCharacter(std::string_view text, std::string_view characters);

// Whether the last character of `text` is `character` (a single byte).
bool EndsWithCharacter(std::string_view text, char character);
