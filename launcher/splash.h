#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/events.h"
#include "resources/splash_data.h"

class ResourceCatalogue;

// What the runtime module is handed for the splash. The module keeps the
// addresses, so the run owns this, unchanged, until after the splash wait.
struct SplashHandOff {
  std::vector<std::uint8_t> bytes;
  SplashData data;
};

// Hands the splash picture to the runtime module; returns the event that the
// module sets when the splash has ended, or an empty handle for no splash.
platform::UniqueEvent StartSplash(ResourceCatalogue& catalogue,
                                  const std::string& exePath,
                                  const std::string& runtimePath,
                                  SplashHandOff& handOff);

// Waits without time-out until the runtime module has set `event`, then
// closes it.
void WaitForSplash(platform::UniqueEvent event);
