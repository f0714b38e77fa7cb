// A stand-in for the runtime module: a real DLL with the three exports the
// launcher looks up by name. Its version is chosen per build
// (RUNTIME_DOUBLE_VERSION), so the version gate can be tested both ways.
#include <cstdint>

extern "C" {

std::int32_t RtmGetVersion() { return RUNTIME_DOUBLE_VERSION; }

// No splash event: this double shows no splash, so nobody waits for one.
const char* WeRTlwN() { return nullptr; }

void cWeuyRtj(const void*, std::uint32_t, const void*) {}

}  // extern "C"
