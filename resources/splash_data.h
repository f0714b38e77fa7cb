#pragma once

// The splash settings handed to the runtime module by address: four signed
// 32-bit words in this order, 16 bytes, no padding. The runtime module reads
// the record through that address, so its layout is a binary contract.

#include <cstdint>
#include <type_traits>

class ByteReader;

struct SplashData {
  std::int32_t parameterA = 1;
  std::int32_t parameterB = 0;
  std::int32_t parameterC = 0;
  // Splash duration in seconds; 0 means the default of ten seconds.
  std::int32_t displaySeconds = 0;
};
static_assert(sizeof(SplashData) == 16);
static_assert(std::is_standard_layout_v<SplashData>);

// What a SPLASH_DATA record held besides its settings.
struct SplashDataFormat {
  // 0 when the bytes are too few to hold one.
  std::int32_t version = 0;
  // Whether the bytes held every field of that version.
  bool complete = false;
};

// Decodes the SPLASH_DATA record from `reader`: a format version, the three
// parameters, and the display time when the version is above 1. Fields the
// bytes do not hold keep the values they had.
SplashDataFormat ParseSplashData(ByteReader& reader, SplashData& data);
