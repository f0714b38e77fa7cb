#pragma once

// The resource forms Windows wants of an icon file and of a bitmap file, as a
// resource compiler makes them: an .ico becomes one icon resource per image
// and an icon group that lists them by id; a .bmp loses its file header.

#include <cstdint>
#include <string>
#include <vector>

#include "pe/pe_resources.h"

struct ConvertedResources {
  std::vector<pe::Resource> resources;
  std::string fault;  // why the file is not what its role takes; empty when converted
};

// The icons of `file` under ids 1, 2, ... and the group `groupId` naming them.
ConvertedResources IconGroupResources(const std::vector<std::uint8_t>& file, std::uint16_t groupId,
                                      std::uint16_t language);
ConvertedResources BitmapResource(const std::vector<std::uint8_t>& file, std::uint16_t id, std::uint16_t language);
