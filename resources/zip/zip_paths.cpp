#include "resources/zip/zip_paths.h"

#include <initializer_list>

#include "common/narrow_text.h"
#include "common/path_limits.h"
#include "platform/files.h"

namespace {

bool JoinPath(std::initializer_list<std::string_view> parts,
              std::string& path) {
  std::string joined;
  for (const std::string_view part : parts) joined += part;
  if (!FitsPathLimit(joined)) return false;
  path = std::move(joined);
  return true;
}

void CreateIfMissing(const std::string& path) {
  if (!platform::PathExists(path)) {
    platform::CreateFolder(path);
  }
}

}  // namespace

bool IsAbsolutePath(std::string_view path) {
  return (!path.empty() && (path[0] == '\\' || path[0] == '/')) ||
         (path.size() >= 2 && path[1] == ':');
}

bool EnsureDirectory(std::string_view base, std::string_view folder) {
  std::string path;
  if (!base.empty()) {
    if (!JoinPath({base}, path)) return false;
    CreateIfMissing(path);
  }
  if (folder.empty()) return true;
  const std::size_t last = FindLastCharacter(folder, "\\/");
  if (last != folder.npos && last > 0 &&
      !EnsureDirectory(base, folder.substr(0, last))) {
    return false;
  }
  if (!JoinPath({base, folder}, path)) return false;
  CreateIfMissing(path);
  return true;
}

bool PrepareOutputPath(std::string_view base, std::string_view target,
                       std::string& path) {
  const std::size_t split = FindLastCharacter(target, "\\/");
  if (split == target.npos) {
    return JoinPath({base, target}, path) && EnsureDirectory(base, {});
  }
  const std::string_view folder = target.substr(0, split + 1);
  const std::string_view file = target.substr(split + 1);
  if (IsAbsolutePath(folder)) {
    return JoinPath({folder, file}, path) && EnsureDirectory({}, folder);
  }
  return JoinPath({base, folder, file}, path) && EnsureDirectory(base, folder);
}
