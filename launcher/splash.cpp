#include "launcher/splash.h"

#include "install/runtime_contract.h"
#include "install/runtime_module.h"
#include "resources/placeholder_resource.h"
#include "resources/resource_catalogue.h"

namespace {

// The runtime module's splash exports. cWeuyRtj leaves its arguments for the
// caller to remove (cdecl), the default for these pointer types; WeRTlwN
// takes none, so no convention differs for it.
using SplashEventNameFunction = const char* (*)();
using SplashStartFunction = void (*)(const SplashByteBuffer* bytes,
                                     std::uint32_t milliseconds,
                                     const SplashData* data);

constexpr std::uint32_t kDefaultSplashMilliseconds = 10000;

std::uint32_t SplashMilliseconds(const SplashData& data) {
  // In unsigned 32 bits: a count of seconds too large (or negative) wraps to
  // the low 32 bits of the product, never an overflow of a signed one.
  const auto seconds = static_cast<std::uint32_t>(data.displaySeconds);
  return seconds == 0 ? kDefaultSplashMilliseconds : seconds * 1000u;
}

}  // namespace

platform::UniqueEvent StartSplash(ResourceCatalogue& catalogue,
                                  const std::string& exePath,
                                  const std::string& runtimePath,
                                  SplashHandOff& handOff) {
  handOff.data = SplashData{};
  handOff.bytes.clear();
  handOff.buffer = SplashByteBuffer{};
  if (!catalogue.ReadSplash(exePath, handOff.bytes) ||
      !catalogue.ReadSplashData(exePath, handOff.data) ||
      IsPlaceholderResource(handOff.bytes)) {
    return {};
  }

  // Never unloaded, on purpose: the module goes on drawing the splash on
  // threads of its own after the call returns and sets the event from
  // there, so its code must stay mapped until the process ends. The loaded
  // reference belongs to the process, not to this step.
  const platform::RawModule runtime = LoadRuntimeModule(runtimePath);
  if (runtime == nullptr) return {};
  const auto startSplash = reinterpret_cast<SplashStartFunction>(
      platform::FindExport(runtime, runtime_contract::kShowSplashExport));
  const auto splashEventName = reinterpret_cast<SplashEventNameFunction>(
      platform::FindExport(runtime, runtime_contract::kSplashEventNameExport));
  if (startSplash == nullptr || splashEventName == nullptr) return {};

  // The event exists, unsignalled, before the module is told to start, so
  // the module can open it by name at once and no earlier state of an event
  // of that name can end the wait.
  platform::UniqueEvent splashEnded;
  if (const char* eventName = splashEventName(); eventName != nullptr) {
    splashEnded.Reset(platform::CreateNamedEvent(eventName));
    platform::ResetEvent(splashEnded.Get());
  }

  handOff.buffer = {nullptr, handOff.bytes.data(),
                    handOff.bytes.data() + handOff.bytes.size(),
                    handOff.bytes.data() + handOff.bytes.capacity()};
  startSplash(&handOff.buffer, SplashMilliseconds(handOff.data),
              &handOff.data);
  return splashEnded;
}

void WaitForSplash(platform::UniqueEvent event) {
  platform::WaitForEvent(event.Get());
}
