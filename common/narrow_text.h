#pragma once

#include <string_view>

// Narrow text (paths, file names) read character by character in the
// process's ANSI code page: in a double-byte code page the second byte of a
// character may have the value of a backslash ("\x97\x5C" is a kanji in
// code page 932), and it is no backslash; in UTF-8 a character takes one to
// four bytes.

// The position of the first character of `text` that is one of the
// single-byte `characters`, or std::string_view::npos.
std::size_t FindCharacter(std::string_view text, std::string_view characters);

// Whether the last character of `text` is `character` (a single byte).
bool EndsWithCharacter(std::string_view text, char character);

// The position of the last character of `text` that is one of the
// single-byte `characters`, or std::string_view::npos.
std::size_t FindLastCharacter(std::string_view text,
                              std::string_view characters);

// The position of the dot that opens the extension of the last component
// of `path` (after its last "\" or "/", or after a drive "X:"), or
// std::string_view::npos when that component has no dot.
std::size_t FindExtension(std::string_view path);

// The number of characters in `text` as Windows counts them against a path
// limit: UTF-16 units, so a UTF-8 character beyond U+FFFF counts twice.
std::size_t CountCharacters(std::string_view text);

// Whether `text` is well-formed UTF-8 (ASCII is).
bool IsValidUtf8(std::string_view text);

// Whether `path` names one place whatever the current folder and drive: a
// drive and a separator (C:\x), or a UNC path (\\server\share). A module
// named any other way (x.dll, C:x.dll, \x.dll) would be searched for, or
// taken from the current folder or drive.
bool IsFullyQualifiedPath(std::string_view path);
