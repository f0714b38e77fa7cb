#pragma once

#include <cstddef>

// Paths are handed to the "A" functions of Windows in buffers of 260
// characters (MAX_PATH), so a path holds at most 259 characters. Building a
// longer one is a failure of the step that builds it, never a cut path.
inline constexpr std::size_t kPathBufferSize = 260;
inline constexpr std::size_t kMaxPathLength = kPathBufferSize - 1;
