#include "install/runtime_module.h"

#include "common/narrow_text.h"

platform::RawModule LoadRuntimeModule(const std::string& path) {
  if (!IsFullyQualifiedPath(path)) return nullptr;
  return platform::LoadModule(path, platform::LoadAs::kModuleByFullPath);
}
