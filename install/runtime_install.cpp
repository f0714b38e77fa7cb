#include "install/runtime_install.h"

#include "common/messages.h"
#include "common/path_limits.h"
#include "install/installed_file.h"
#include "install/pending_file.h"
#include "install/product_folder.h"
#include "install/runtime_contract.h"
#include "platform/files.h"
#include "resources/resource_catalogue.h"
#include "resources/resource_stager.h"
#include "resources/zip/zip_entry_info.h"
#include "resources/zip/zip_paths.h"

namespace {

// Stages the archive, writes the first entry's bytes through a file of its
// own beside `targetPath` and moves it there; `entry` then describes the
// entry.
bool PlaceFirstEntry(const std::vector<std::uint8_t>& archive,
                     const std::string& targetPath, ZipEntryInfo& entry) {
  ResourceStager stager;
  platform::UniqueFile staged =
      stager.Stage(archive.empty() ? nullptr : archive.data(),
                   static_cast<std::uint32_t>(archive.size()));
  // Every missing folder of the module's path is made, a base folder that
  // does not exist yet included, as extracting to a path makes them.
  std::string path;
  if (!staged || !PrepareOutputPath({}, targetPath, path)) return false;
  PendingFile pending(targetPath, ExistingFile::kKept);
  return pending &&
         ResourceStager::ExtractFirstEntry(std::move(staged), pending.File(),
                                           entry) &&
         pending.Close() && pending.MoveIntoPlace();
}

}  // namespace

bool ExtractRuntimeFile(const std::vector<std::uint8_t>& archive,
                        const std::string& targetPath) {
  ZipEntryInfo entry;
  if (!PlaceFirstEntry(archive, targetPath, entry)) {
    return platform::PathExists(targetPath);
  }
  ApplyEntryTimesAndAttributes(entry, targetPath);
  return true;
}

bool InstallRuntime(const std::string& exePath, bool soleStart,
                    std::string& runtimePath, LauncherError& error) {
  std::string base = GetLocalAppDataPath();
  if (base.empty()) base = GetProgramFilesPath();
  if (base.empty()) {
    error = messages::kNoApplicationDataFolder;
    return false;
  }
  const std::string folder = EnsureProductFolder(base);
  if (soleStart && !folder.empty()) RemoveLeftoverPartialFiles(folder);

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
  // is. Removed before the extraction, so that a start while Excel has it
  // loaded extracts nothing.
  if (platform::PathExists(runtimePath)) {
    RepeatWhileHeld([&] { return RemoveInstalledFile(runtimePath); });
  }
  if (platform::PathExists(runtimePath)) return true;

  if (!ExtractRuntimeFile(archive, runtimePath)) {
    error = messages::RuntimeNotInstalled(runtimePath);
    return false;
  }
  return true;
}
