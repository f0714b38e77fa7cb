#pragma once

// Whether this code is built over the real Windows API: on Windows, unless
// it is built over the simulated Windows (platform/sim defines
// LAUNCHER_SIMULATED_WINDOWS for everything that links it), as the vendor's
// tools are there too. The platform headers ask this, never _WIN32 alone.

#if defined(_WIN32) && !defined(LAUNCHER_SIMULATED_WINDOWS)
#define PLATFORM_REAL_WINDOWS 1
#endif
