#pragma once

// The small resource records built byte by byte for the tests: words of the
// SPLASH_DATA record and the CHM help data; and what a splash record decodes
// to, as the tests expect it.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

struct SplashData;

// Each word as four little-endian bytes.
std::vector<std::uint8_t> Words(std::initializer_list<std::int32_t> words);

// Help data: a skipped word, `name` and its NUL, the length word `length`
// (which may disagree with the content), then `content`.
std::vector<std::uint8_t> HelpBytes(const std::string& name,
                                    std::uint32_t length,
                                    const std::string& content);

// Expects the splash settings `data` to hold the words a, b, c and the
// duration `seconds`, each checked on its own.
void ExpectSplashWords(const SplashData& data, std::int32_t a, std::int32_t b, std::int32_t c,
                       std::int32_t seconds);
