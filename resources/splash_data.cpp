#include "resources/splash_data.h"

#include "resources/byte_reader.h"

SplashDataFormat ParseSplashData(ByteReader& reader, SplashData& data) {
  // Reads are all or nothing, so once one finds too few bytes every later
  // one would too: stopping there changes nothing.
  SplashDataFormat format;
  format.complete = reader.ReadInt32(format.version) &&
                    reader.ReadInt32(data.parameterA) &&
                    reader.ReadInt32(data.parameterB) &&
                    reader.ReadInt32(data.parameterC) &&
                    (format.version <= 1 || reader.ReadInt32(data.displaySeconds));
  return format;
}
