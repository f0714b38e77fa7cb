#include "launcher/workbook_path.h"

#include "common/narrow_text.h"
#include "common/path_limits.h"

std::optional<std::string> MakeWorkbookPath(const std::string& exePath,
                                            const std::string& extension) {
  if (exePath.empty()) return std::nullopt;

  // The executable's own extension, if its file name has one, gives way.
  const std::size_t dot = FindExtension(exePath);
  std::string path =
      dot != std::string::npos ? exePath.substr(0, dot) : exePath;

  if (!extension.empty() && extension.front() != '.') path += '.';
  path += extension;
  if (!FitsPathLimit(path)) return std::nullopt;
  return path;
}
