#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes `bytes` to `path`, creating the file or truncating it. True only
// when every byte was written and the file closed cleanly; otherwise a file
// this call created or truncated is deleted again, so no truncated add-in or
// help file is ever taken for a good one. False without a file when the path
// cannot be opened for writing (a file another process holds stays as it
// is).
bool WriteBytesToFile(const std::string& path,
                      const std::vector<std::uint8_t>& bytes);
