#include "tools/launcher_pack/manifest_code_page.h"

#include "tools/launcher_check/launcher_image.h"

namespace {

// The launcher's manifest declares the code page in an application element
// of its own, after this comment.
constexpr std::string_view kBlockStart = "  <!-- The process's ANSI code page is UTF-8";
constexpr std::string_view kBlockEnd = "</application>\n";

}  // namespace

std::optional<std::string> WithoutUtf8CodePage(std::string_view manifest) {
  if (!DeclaresUtf8CodePage(manifest)) return std::string(manifest);
  const std::size_t start = manifest.find(kBlockStart);
  const std::size_t end = start == std::string_view::npos ? start : manifest.find(kBlockEnd, start);
  if (end == std::string_view::npos) return std::nullopt;
  std::string without(manifest.substr(0, start));
  without += manifest.substr(end + kBlockEnd.size());
  if (DeclaresUtf8CodePage(without)) return std::nullopt;
  return without;
}
