#include "automation/open_xml_path.h"

#include <algorithm>
#include <array>

#include "ascii/ascii_case.h"
#include "common/narrow_text.h"

namespace {

// The extension of the last component, dot included; empty without a dot.
std::string_view LastComponentExtension(std::string_view path) {
  const std::size_t dot = FindExtension(path);
  return dot == std::string_view::npos ? std::string_view{} : path.substr(dot);
}

}  // namespace

bool IsOpenXmlWorkbookPath(std::string_view path) {
  static constexpr std::array<std::string_view, 5> kOpenXmlExtensions = {
      ".xlsb", ".xlsm", ".xlsx", ".xltx", ".xltm"};
  const std::string_view extension = LastComponentExtension(path);
  return std::ranges::any_of(kOpenXmlExtensions, [&](std::string_view known) {
    return EqualsIgnoringAsciiCase(extension, known);
  });
}
