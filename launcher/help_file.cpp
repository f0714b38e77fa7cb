#include "launcher/help_file.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "common/messages.h"
#include "common/path_limits.h"
#include "install/file_writer.h"
#include "install/pending_file.h"
#include "launcher/help_data.h"
#include "resources/placeholder_resource.h"
#include "resources/resource_catalogue.h"

void WriteHelpFile(ResourceCatalogue& catalogue, const std::string& exePath,
                   bool soleStart, LauncherError& error) {
  std::vector<std::uint8_t> bytes;
  if (!catalogue.ReadHelpData(exePath, bytes) || IsPlaceholderResource(bytes)) {
    return;
  }
  const std::optional<HelpData> help = ParseHelpData(bytes);
  if (!help) {
    error = messages::kHelpDataNotLoaded;
    return;
  }
  if (help->name.empty()) {
    error = messages::kHelpFileNameMissing;
    return;
  }
  // A name that cannot be read in the process's code page is reported as
  // it was stored.
  const std::optional<std::string> name = HelpFileNameForProcess(help->name);
  const std::string path = MakeHelpFilePath(name.value_or(help->name));
  // The name comes from the executable's own resources, yet it must not
  // steer the file out of the temporary folder or into a device, nor be cut
  // to fit the limit.
  const bool safePath = name && IsPlainFileName(*name) && FitsPathLimit(path);
  if (safePath && soleStart) RemoveLeftoverPartialFilesOf(path);
  if (!safePath || !WriteBytesToFile(path, help->content,
                                     ExistingFile::kReplacedUnlessReadOnly)) {
    error = messages::HelpFileNotCreated(path);
  }
}
