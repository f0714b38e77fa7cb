#include "resources/resource_catalogue.h"

#include <algorithm>

#include "platform/resources.h"
#include "resources/byte_reader.h"
#include "resources/splash_data.h"

bool ResourceCatalogue::OpenModule(const std::string& path) {
  if (module_) {
    if (platform::SamePathIgnoringCase(path, heldPath_)) return true;
    module_.Reset();
  }
  module_.Reset(platform::LoadModule(path, platform::LoadAs::kResourceData));
  if (module_) heldPath_ = path;
  return module_.IsValid();
}

void ResourceCatalogue::ReleaseModule() { module_.Reset(); }

bool ResourceCatalogue::ReadResource(const std::string& path, std::uint16_t id,
                                     const char* typeName, std::uint32_t offset,
                                     std::uint32_t length,
                                     std::vector<std::uint8_t>& bytes) {
  if (!OpenModule(path)) return false;
  bool read = false;
  if (auto data = platform::LockResourceBytes(module_.Get(), id, typeName);
      data && offset < data->size()) {
    // In 64 bits: offset + length must not wrap around to a small window.
    const std::uint64_t wanted = length == 0 ? data->size() : length;
    const std::uint64_t end =
        std::min<std::uint64_t>(offset + wanted, data->size());
    bytes.assign(data->begin() + offset, data->begin() + end);
    read = true;
  }
  ReleaseModule();
  return read;
}

bool ResourceCatalogue::ReadExtension(const std::string& path,
                                      std::string& text) {
  if (!OpenModule(path)) return false;
  bool read = false;
  const auto [id, type] = resource_ids::kExtension;
  if (auto data = platform::LockResourceBytes(module_.Get(), id, type);
      data && !data->empty()) {
    text.assign(data->begin(),
                std::find(data->begin(), data->end(), std::uint8_t{0}));
    read = true;
  }
  ReleaseModule();
  return read;
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
