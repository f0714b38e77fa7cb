#pragma once

// The identity of the running process. On Windows: GetCurrentProcessId.

#include <cstdint>

namespace platform {

std::uint32_t GetCurrentProcessId();

}  // namespace platform
