#include "install/runtime_install.h"

#include "common/messages.h"
#include "common/path_limits.h"
#include "install/installed_file.h"
#include "install/product_folder.h"
#include "install/runtime_contract.h"
#include "platform/files.h"
#include "resources/resource_catalogue.h"
#include "resources/resource_stager.h"

namespace {

// The runtime module is a file: a first entry that is a folder installs
// nothing, and the folder it made is taken away again.
bool ExtractedAFile(const std::string& path) {
  namespace attribute = platform::file_attribute;
  // Attributes that cannot be read tell of no folder: what was extracted is
  // then moved, or removed when it cannot be.
  const std::uint32_t attributes = platform::QueryFileAttributes(path);
  if (attributes == attribute::kInvalid ||
      (attributes & attribute::kDirectory) == 0) {
    return true;
  }
  platform::RemoveFolder(path);
  return false;
}

}  // namespace

bool ExtractRuntimeFile(const std::vector<std::uint8_t>& archive,
                        const std::string& targetPath) {
  const std::string partial = PartialPathFor(targetPath);
  // A target so deep that no partial name fits beside it is written in
  // place.
  const std::string& extractTo = partial.empty() ? targetPath : partial;
  // A partial file of a killed start that had this process id goes first:
  // it may carry the archive's read-only attribute.
  if (!partial.empty() && platform::PathExists(partial)) {
    RemoveInstalledFile(partial);
  }
  ResourceStager stager;
  bool installed =
      stager.StageAndExtract(archive.empty() ? nullptr : archive.data(),
                             static_cast<std::uint32_t>(archive.size()),
                             extractTo) &&
      ExtractedAFile(extractTo);
  if (installed && !partial.empty()) {
    installed = MoveIntoPlace(partial, targetPath, /*replace=*/false);
  }
  return installed || platform::PathExists(targetPath);
}

bool InstallRuntime(const std::string& exePath, std::string& runtimePath,
                    LauncherError& error) {
  std::string base = GetLocalAppDataPath();
  if (base.empty()) base = GetProgramFilesPath();
  if (base.empty()) {
    error = messages::kNoApplicationDataFolder;
    return false;
  }
  const std::string folder = EnsureProductFolder(base);

  std::vector<std::uint8_t> archive;
  ResourceCatalogue catalogue;
  if (!catalogue.ReadRuntime(exePath, archive)) {
    error = messages::kRuntimeMissing;
    return false;
  }

  // A product folder too deep for the file name cannot be written to; the
  // message still names the full path that was meant.
  runtimePath = (folder.empty() ? base + kProductFolderName : folder) +
                runtime_contract::kRuntimeFileName;
  if (!FitsPathLimit(runtimePath)) {
    error = messages::RuntimeNotInstalled(runtimePath);
    return false;
  }

  // Rewritten at every start, also when an earlier start installed it
  // read-only; a module that cannot be deleted is in use and is used as it
  // is.
  if (platform::PathExists(runtimePath)) RemoveInstalledFile(runtimePath);
  if (platform::PathExists(runtimePath)) return true;

  if (!ExtractRuntimeFile(archive, runtimePath)) {
    error = messages::RuntimeNotInstalled(runtimePath);
    return false;
  }
  return true;
}
