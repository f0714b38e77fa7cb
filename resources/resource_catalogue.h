#pragma once

// Reads the resources of the launcher's own executable file. Each read maps
// the file as data (no code of it runs, nothing it imports loads), copies the
// bytes out and releases it before it returns, so no resource memory is
// referenced after a read and nothing stays held between reads. Results are
// booleans; on failure the output is left as the caller passed it.

#include <cstdint>
#include <string>
#include <vector>

#include "resources/resource_ids.h"

struct SplashData;

class ResourceCatalogue {
 public:
  // Reads the window [offset, offset + length) of resource (id, typeName);
  // length 0 means "to the end", and a window reaching past the end is cut
  // there. False when the window starts at or past the end.
  bool ReadResource(const std::string& path, std::uint16_t id,
                    const char* typeName, std::uint32_t offset,
                    std::uint32_t length, std::vector<std::uint8_t>& bytes);

  // The workbook extension: the EXT text up to its first NUL, or all of it
  // when it has none.
  bool ReadExtension(const std::string& path, std::string& text);

  bool ReadRuntime(const std::string& path, std::vector<std::uint8_t>& bytes);
  bool ReadSplash(const std::string& path, std::vector<std::uint8_t>& bytes);
  bool ReadHelpData(const std::string& path, std::vector<std::uint8_t>& bytes);
  bool ReadAddinXlam(const std::string& path, std::vector<std::uint8_t>& bytes);
  bool ReadAddinXla(const std::string& path, std::vector<std::uint8_t>& bytes);

  // Reads SPLASH_DATA and decodes it into `settings`; true when the resource
  // was read, even if it was too short for every field.
  bool ReadSplashData(const std::string& path, SplashData& settings);

 private:
  bool ReadWhole(const std::string& path, resource_ids::ResourceId resource,
                 std::vector<std::uint8_t>& bytes);
};
