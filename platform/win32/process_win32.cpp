#include <windows.h>

#include "platform/process.h"

namespace platform {

std::uint32_t GetCurrentProcessId() { return ::GetCurrentProcessId(); }

}  // namespace platform
