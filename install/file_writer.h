#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "install/pending_file.h"

// Writes `bytes` to `path` through a PendingFile: `path` only ever holds the
// file that was there or the complete new one, whatever another start does
// meanwhile. `existing` says what becomes of a file already at `path`. False
// when the file cannot be written whole or cannot take its place (read-only
// as `existing` tells, held by another process past the retries): the file
// at `path` then stays as it is, and the new one is removed.
bool WriteBytesToFile(const std::string& path,
                      const std::vector<std::uint8_t>& bytes,
                      ExistingFile existing);
