#include "launcher/workbook_path.h"

#include "common/path_limits.h"

std::optional<std::string> MakeWorkbookPath(const std::string& exePath,
                                            const std::string& extension) {
  if (exePath.empty()) return std::nullopt;

  // The executable's own extension runs from the last dot of the last path
  // component; a dot in a folder name, or after the drive, does not count.
  const std::size_t componentStart = [&] {
    const std::size_t separator = exePath.find_last_of("\\/");
    if (separator != std::string::npos) return separator + 1;
    return exePath.size() >= 2 && exePath[1] == ':' ? std::size_t{2}
                                                    : std::size_t{0};
  }();
  const std::size_t dot = exePath.rfind('.');
  std::string path = dot != std::string::npos && dot >= componentStart
                         ? exePath.substr(0, dot)
                         : exePath;

  if (!extension.empty() && extension.front() != '.') path += '.';
  path += extension;
  if (path.size() > kMaxPathLength) return std::nullopt;
  return path;
}
