#include "install/loader_addin.h"

#include <vector>

#include "common/path_limits.h"
#include "install/file_writer.h"
#include "install/product_folder.h"
#include "install/runtime_contract.h"
#include "platform/files.h"
#include "resources/resource_catalogue.h"

namespace {

// The first Excel generation that opens Office Open XML add-ins.
constexpr std::int32_t kFirstOpenXmlExcel = 12;

}  // namespace

std::string ExtractLoaderAddin(const std::string& exePath,
                               std::int32_t excelVersion) {
  const std::string base = GetLocalAppDataPath();
  const std::string folder =
      base.empty() ? GetTempFolderPath() : EnsureProductFolder(base);
  if (folder.empty()) return {};

  // Each Excel gets its own edition; the other is never a substitute.
  const bool openXml = excelVersion >= kFirstOpenXmlExcel;
  ResourceCatalogue catalogue;
  std::vector<std::uint8_t> addin;
  if (openXml) {
    catalogue.ReadAddinXlam(exePath, addin);
  } else {
    catalogue.ReadAddinXla(exePath, addin);
  }
  const std::string path =
      folder + (openXml ? runtime_contract::kLoaderAddinXlamFileName
                        : runtime_contract::kLoaderAddinXlaFileName);
  if (addin.empty() || !FitsPathLimit(path)) return {};

  // Rewritten at every start, also when an earlier start left it read-only;
  // an add-in that an Excel holds open stays as it is and is used.
  if (WriteBytesToFile(path, addin, ExistingFile::kReplaced) ||
      platform::PathExists(path)) {
    return path;
  }
  return {};
}
