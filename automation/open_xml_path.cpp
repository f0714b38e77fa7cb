#include "automation/open_xml_path.h"

#include <algorithm>
#include <array>

namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return AsciiLower(x) == AsciiLower(y);
  });
}

// The extension of the last component, dot included; empty without a dot.
std::string_view LastComponentExtension(std::string_view path) {
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') {
    path.remove_prefix(2);
  }
  const std::size_t separator = path.find_last_of("\\/");
  if (separator != std::string_view::npos) path.remove_prefix(separator + 1);
  const std::size_t dot = path.rfind('.');
  return dot == std::string_view::npos ? std::string_view{}
                                       : path.substr(dot);
}

}  // namespace

bool IsOpenXmlWorkbookPath(std::string_view path) {
  static constexpr std::array<std::string_view, 5> kOpenXmlExtensions = {
      ".xlsb", ".xlsm", ".xlsx", ".xltx", ".xltm"};
  const std::string_view extension = LastComponentExtension(path);
  return std::ranges::any_of(kOpenXmlExtensions, [&](std::string_view known) {
    return EqualIgnoringAsciiCase(extension, known);
  });
}
