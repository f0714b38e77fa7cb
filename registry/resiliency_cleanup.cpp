#include "registry/resiliency_cleanup.h"

#include "common/messages.h"
#include "registry/office_registry.h"
#include "registry/registry_access.h"

bool CleanExcelResiliency(LauncherError& error) {
  OfficeRegistry officeRegistry;
  const std::string& prefix = officeRegistry.GetOfficeVersionKey();
  // Without a located Excel there is no Office key to clean: a bare
  // "Excel\Resiliency" at the top of HKCU is not Office's and stays alone.
  if (!officeRegistry.IsRuntimeAddinRegistered() || prefix.empty()) {
    return true;
  }

  const std::string resiliency = prefix + "Excel\\Resiliency";
  RegistryAccess records(resiliency + "\\DisabledItems",
                         platform::kCurrentUser);
  if (!records.IsOpen() &&
      !records.Open(resiliency + "\\StartupItems", platform::kCurrentUser)) {
    return true;
  }
  records.Close();

  const std::int32_t result =
      platform::DeleteKeyTree(platform::kCurrentUser, resiliency);
  // A running Excel may have removed the key first: gone is what was wanted.
  if (result == platform::kErrorSuccess ||
      result == platform::kErrorFileNotFound) {
    return true;
  }
  error = messages::kRegistryCleanupFailed;
  return false;
}
