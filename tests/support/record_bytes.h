#pragma once

// The small resource records built byte by byte for the tests: words of the
// SPLASH_DATA record and the CHM help data.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Each word as four little-endian bytes.
std::vector<std::uint8_t> Words(std::initializer_list<std::int32_t> words);

// Help data: a skipped word, `name` and its NUL, the length word `length`
// (which may disagree with the content), then `content`.
std::vector<std::uint8_t> HelpBytes(const std::string& name,
                                    std::uint32_t length,
                                    const std::string& content);
