#include "tools/launcher_check/image_format.h"

#include <cstdio>

std::optional<ImageFormat> ImageFormatNamed(std::string_view name) {
  if (name == "PE32") return kPe32I386;
  if (name == "PE32+") return kPe32PlusAmd64;
  return std::nullopt;
}

bool HasFormat(const pe::PeImage& image, const ImageFormat& format) {
  return image.Magic() == format.magic && image.Machine() == format.machine;
}

std::optional<ImageFormat> EditionOf(const pe::PeImage& image) {
  for (const ImageFormat& format : {kPe32I386, kPe32PlusAmd64}) {
    if (HasFormat(image, format)) return format;
  }
  return std::nullopt;
}

std::string DescribeFormat(const pe::PeImage& image) {
  std::string text = image.Magic() == pe::kPe32Magic ? "PE32" : "PE32+";
  if (image.Machine() == pe::kMachineI386) return text + " i386";
  if (image.Machine() == pe::kMachineAmd64) return text + " x86-64";
  char machine[16];
  std::snprintf(machine, sizeof machine, "0x%x", image.Machine());
  return text + " machine " + machine;
}

std::string DescribeEdition(const ImageFormat& format) {
  return std::string("the ") + format.edition + " edition, for " + format.excel;
}
