#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/events.h"
#include "resources/splash_data.h"

class ResourceCatalogue;

// The byte-buffer object the runtime module is handed the splash picture
// in: four words, in this order. The module reads it by address, so its
// layout is a binary contract. Each word is as wide as a pointer: four
// 32-bit words in the x86 edition, four 64-bit words in the x64 edition.
struct SplashByteBuffer {
  // Carries no value; the module never reads it.
  const void* unused = nullptr;
  const std::uint8_t* first = nullptr;
  // Just past the last byte.
  const std::uint8_t* last = nullptr;
  // Just past the storage reserved for the bytes.
  const std::uint8_t* storageEnd = nullptr;
};
static_assert(sizeof(SplashByteBuffer) == 4 * sizeof(void*));
static_assert(std::is_standard_layout_v<SplashByteBuffer>);

// What the runtime module is handed for the splash. The module keeps the
// addresses, so the run owns this, unchanged, until after the splash wait;
// it can be neither copied nor moved, so no address handed out goes stale.
struct SplashHandOff {
  SplashHandOff() = default;
  SplashHandOff(const SplashHandOff&) = delete;
  SplashHandOff& operator=(const SplashHandOff&) = delete;

  std::vector<std::uint8_t> bytes;
  SplashData data;
  // Describes `bytes`.
  SplashByteBuffer buffer;
};

// Hands the splash picture (SPLASH) and its settings (SPLASH_DATA) of the
// executable at `exePath` to the runtime module at `runtimePath`, which
// shows it while the run goes on. Nothing happens without both resources,
// with a SPLASH of fewer than two bytes, or when the module can't be loaded
// or lacks one of its two splash exports; none of this is reported. The
// module, once loaded, stays loaded until the process ends. Returns the
// event, made unsignalled, that the module sets when the splash has ended;
// an empty handle when the module names no event or it can't be created.
// `handOff` is overwritten and must stay untouched until after the wait.
platform::UniqueEvent StartSplash(ResourceCatalogue& catalogue,
                                  const std::string& exePath,
                                  const std::string& runtimePath,
                                  SplashHandOff& handOff);

// Waits without time-out until the runtime module has set `event`, then
// closes it.
void WaitForSplash(platform::UniqueEvent event);
