#include "registry/office_registry.h"

#include "common/narrow_text.h"
#include "install/runtime_contract.h"
#include "platform/files.h"
#include "registry/registry_access.h"

namespace {

constexpr std::int32_t kNewestExcelProbed = 12;
constexpr std::int32_t kOldestExcelProbed = 9;

const std::string kAddinKey =
    std::string("Software\\Microsoft\\Office\\Excel\\AddIns\\") +
    runtime_contract::kAddinProgId;
const std::string kAddinServerKey =
    std::string("CLSID\\") + runtime_contract::kAddinClassId +
    "\\InprocServer32";

std::string OfficeVersionKey(std::int32_t version) {
  return "SOFTWARE\\Microsoft\\Office\\" + std::to_string(version) + ".0\\";
}

bool ExcelInstalledAt(std::int32_t version) {
  RegistryAccess installRoot(OfficeVersionKey(version) + "Excel\\InstallRoot",
                             platform::kLocalMachine);
  std::string folder;
  if (!installRoot.QueryString("Path", folder)) return false;
  if (!EndsWithCharacter(folder, '\\')) folder += '\\';
  return platform::PathExists(folder + "excel.exe");
}

// The module file the add-in's class registration names, when it exists.
std::string RegisteredServerFile() {
  RegistryAccess server(kAddinServerKey, platform::kClassesRoot);
  std::string path;
  return server.QueryString("", path) && platform::PathExists(path) ? path : std::string();
}

}  // namespace

OfficeRegistry::OfficeRegistry() {
  for (std::int32_t version = kNewestExcelProbed;
       version >= kOldestExcelProbed; --version) {
    if (ExcelInstalledAt(version)) {
      officeVersionKey_ = OfficeVersionKey(version);
      return;
    }
  }
}

bool OfficeRegistry::IsRuntimeAddinRegistered() {
  if (registration_ == Registration::kUndetermined) {
    registration_ = Registration::kNotRegistered;
    // A per-user key hides the machine's, whatever its LoadBehavior.
    RegistryAccess addin(kAddinKey, platform::kCurrentUser);
    if (!addin.IsOpen()) addin.Open(kAddinKey, platform::kLocalMachine);
    if (addin.IsOpen() &&
        addin.QueryDword("LoadBehavior", 0) ==
            runtime_contract::kAddinLoadBehavior &&
        RegistryAccess(runtime_contract::kAddinProgId, platform::kClassesRoot)
            .IsOpen() &&
        !RegisteredServerFile().empty()) {
      registration_ = Registration::kRegistered;
    }
  }
  return registration_ == Registration::kRegistered;
}

std::string OfficeRegistry::GetRegisteredRuntimePath() {
  if (registeredRuntimePath_.empty()) {
    registeredRuntimePath_ = RegisteredServerFile();
  }
  return registeredRuntimePath_;
}
