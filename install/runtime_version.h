#pragma once

#include <cstdint>
#include <string>

// The oldest runtime module this launcher works with.
inline constexpr std::int32_t kMinimumRuntimeVersion = 29;

// True when the module at `path` loads and its RtmGetVersion export reports
// kMinimumRuntimeVersion or more. A module that does not load, or lacks the
// export (version 0), fails. The module is unloaded again before returning.
bool CheckRuntimeVersion(const std::string& path);
