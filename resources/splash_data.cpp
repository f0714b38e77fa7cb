#include "resources/splash_data.h"

#include "resources/byte_reader.h"

void ParseSplashData(ByteReader& reader, SplashData& data) {
  std::int32_t version = 0;
  reader.ReadInt32(version);
  reader.ReadInt32(data.parameterA);
  reader.ReadInt32(data.parameterB);
  reader.ReadInt32(data.parameterC);
  if (version > 1) reader.ReadInt32(data.displaySeconds);
}
