#include "install/runtime_version.h"

#include "install/runtime_contract.h"
#include "install/runtime_module.h"

bool CheckRuntimeVersion(const std::string& path) {
  platform::UniqueModule module(LoadRuntimeModule(path));
  if (!module) return false;
  using GetVersion = std::int32_t (*)();
  std::int32_t version = 0;
  if (void* exported = platform::FindExport(
          module.Get(), runtime_contract::kGetVersionExport)) {
    version = reinterpret_cast<GetVersion>(exported)();
  }
  return version >= kMinimumRuntimeVersion;
}
