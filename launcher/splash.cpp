#include "launcher/splash.h"

// No splash is handed over yet, so there is never an event to wait for.
platform::UniqueEvent StartSplash(ResourceCatalogue&, const std::string&,
                                  const std::string&, SplashHandOff&) {
  return {};
}

void WaitForSplash(platform::UniqueEvent event) {
  platform::WaitForEvent(event.Get());
}
