#include "install/runtime_install.h"

#include "common/messages.h"
#include "common/path_limits.h"
#include "install/product_folder.h"
#include "install/runtime_contract.h"
#include "platform/files.h"
#include "resources/resource_catalogue.h"
#include "resources/resource_stager.h"

bool ExtractRuntimeFile(const std::vector<std::uint8_t>& archive,
                        const std::string& targetPath) {
  ResourceStager stager;
  const bool extracted = stager.StageAndExtract(
      archive.empty() ? nullptr : archive.data(),
      static_cast<std::uint32_t>(archive.size()), targetPath);
  return extracted || platform::PathExists(targetPath);
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
  if (runtimePath.size() > kMaxPathLength) {
    error = messages::RuntimeNotInstalled(runtimePath);
    return false;
  }

  // Rewritten at every start; a module that cannot be deleted is in use and
  // is used as it is.
  if (platform::PathExists(runtimePath)) platform::RemoveFile(runtimePath);
  if (platform::PathExists(runtimePath)) return true;

  if (!ExtractRuntimeFile(archive, runtimePath)) {
    error = messages::RuntimeNotInstalled(runtimePath);
    return false;
  }
  return true;
}
