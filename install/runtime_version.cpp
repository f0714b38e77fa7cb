#include "install/runtime_version.h"

#include "platform/modules.h"

bool CheckRuntimeVersion(const std::string& path) {
  platform::UniqueModule module(platform::LoadModule(path));
  if (!module) return false;
  using GetVersion = std::int32_t (*)();
  std::int32_t version = 0;
  if (void* exported = platform::FindExport(module.Get(), "RtmGetVersion")) {
    version = reinterpret_cast<GetVersion>(exported)();
  }
  return version >= kMinimumRuntimeVersion;
}
