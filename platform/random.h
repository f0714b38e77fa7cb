#pragma once

// Numbers another process cannot foresee, for names that must not be
// guessed in advance. On Windows: CoCreateGuid (ole32), whose version 4
// identifiers come from the system's random number generator; the launcher
// imports no advapi32.

#include <cstdint>

namespace platform {

std::uint32_t UnpredictableNumber();

}  // namespace platform
