#pragma once

#include <cstddef>
#include <string_view>

// Windows limits a path to 260 characters with its NUL (MAX_PATH), so a path
// holds at most 259 characters. Building a longer one is a failure of the
// step that builds it, never a cut path. The "A" functions take and give
// paths in the process's ANSI code page, where a character takes up to
// three bytes (UTF-8), so a buffer for a path holds three bytes a character.
inline constexpr std::size_t kMaxPathLength = 259;
inline constexpr std::size_t kPathBufferSize = kMaxPathLength * 3 + 1;

// Whether `path` holds at most kMaxPathLength characters.
bool FitsPathLimit(std::string_view path);
