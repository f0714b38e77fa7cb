#include "resources/resource_catalogue.h"

#include <algorithm>
#include <span>

#include "platform/modules.h"
#include "platform/resources.h"
#include "resources/byte_reader.h"
#include "resources/splash_data.h"

namespace {

// Maps the file at `path` as data, hands the bytes of resource (id, typeName)
// to `copyOut` and releases the file again. False when the file or the
// resource cannot be had, or when `copyOut` declines the bytes.
template <typename CopyOut>
bool CopyResourceOut(const std::string& path, std::uint16_t id,
                     const char* typeName, CopyOut copyOut) {
  const platform::UniqueModule module(
      platform::LoadModule(path, platform::LoadAs::kResourceData));
  if (!module) return false;
  const auto data = platform::LockResourceBytes(module.Get(), id, typeName);
  return data && copyOut(*data);
}

}  // namespace

bool ResourceCatalogue::ReadResource(const std::string& path, std::uint16_t id,
                                     const char* typeName, std::uint32_t offset,
                                     std::uint32_t length,
                                     std::vector<std::uint8_t>& bytes) {
  return CopyResourceOut(
      path, id, typeName, [&](std::span<const std::uint8_t> data) {
        if (offset >= data.size()) return false;
        // In 64 bits: offset + length must not wrap around to a small window.
        const std::uint64_t wanted = length == 0 ? data.size() : length;
        const std::uint64_t end =
            std::min<std::uint64_t>(offset + wanted, data.size());
        bytes.assign(data.begin() + offset, data.begin() + end);
        return true;
      });
}

bool ResourceCatalogue::ReadExtension(const std::string& path,
                                      std::string& text) {
  const auto [id, type] = resource_ids::kExtension;
  return CopyResourceOut(
      path, id, type, [&](std::span<const std::uint8_t> data) {
        if (data.empty()) return false;
        text.assign(data.begin(),
                    std::find(data.begin(), data.end(), std::uint8_t{0}));
        return true;
      });
}

bool ResourceCatalogue::ReadWhole(const std::string& path,
                                  resource_ids::ResourceId resource,
                                  std::vector<std::uint8_t>& bytes) {
  return ReadResource(path, resource.id, resource.type, 0, 0, bytes);
}

bool ResourceCatalogue::ReadRuntime(const std::string& path,
                                    std::vector<std::uint8_t>& bytes) {
  return ReadWhole(path, resource_ids::kRuntime, bytes);
}

bool ResourceCatalogue::ReadSplash(const std::string& path,
                                   std::vector<std::uint8_t>& bytes) {
  return ReadWhole(path, resource_ids::kSplash, bytes);
}

bool ResourceCatalogue::ReadHelpData(const std::string& path,
                                     std::vector<std::uint8_t>& bytes) {
  return ReadWhole(path, resource_ids::kHelpData, bytes);
}

bool ResourceCatalogue::ReadAddinXlam(const std::string& path,
                                      std::vector<std::uint8_t>& bytes) {
  return ReadWhole(path, resource_ids::kAddinXlam, bytes);
}

bool ResourceCatalogue::ReadAddinXla(const std::string& path,
                                     std::vector<std::uint8_t>& bytes) {
  return ReadWhole(path, resource_ids::kAddinXla, bytes);
}

bool ResourceCatalogue::ReadSplashData(const std::string& path,
                                       SplashData& settings) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWhole(path, resource_ids::kSplashData, bytes)) return false;
  ByteReader reader(bytes);
  ParseSplashData(reader, settings);
  return true;
}
