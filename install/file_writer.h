#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes `bytes` to `path`, replacing the file there, if any, in one step:
// the bytes go to a partial file beside it (PartialPathFor), which is renamed
// over `path` once every byte is written and the file closed cleanly. So
// `path` only ever holds the earlier file or the complete new one, whatever
// another start does meanwhile (a path too deep for a partial name beside
// it is written in place, and deleted again if it cannot be written whole).
// False when the file cannot be written or
// cannot replace the one at `path` (read-only, or held by another process):
// that file then stays as it is, and no partial file is left.
bool WriteBytesToFile(const std::string& path,
                      const std::vector<std::uint8_t>& bytes);
