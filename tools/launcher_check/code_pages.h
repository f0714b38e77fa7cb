#pragma once

// The ANSI code pages launcher-check can read file names in, by number: the
// single-byte Windows-1252 and the double-byte East Asian ones, whose lead
// bytes start two-byte characters.

#include <optional>
#include <utility>
#include <vector>

using LeadByteRanges = std::vector<std::pair<unsigned char, unsigned char>>;

// Nothing for a code page it does not know.
std::optional<LeadByteRanges> LeadBytesOfCodePage(int codePage);
