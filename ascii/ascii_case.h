#pragma once

// The letter case of ASCII, the one case rule of the names this system
// compares byte by byte: resource types, module and file extensions, device
// names, automation member names. Plain bytes, no code page and no operating
// system, so every layer may use it, the PE reader included.

#include <algorithm>
#include <string_view>

constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `a` and `b` are equal with ASCII letters compared without regard
// to case; every other byte must match exactly.
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(
      a, b, [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}
