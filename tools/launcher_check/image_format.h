#pragma once

// The image format a launcher and its runtime module are built for: PE32 for
// i386 (the shipped build) or PE32+ for x86-64 (the win64 build of the same
// sources).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pe/pe_image.h"

struct ImageFormat {
  std::uint16_t magic;
  std::uint16_t machine;
  const char* name;
};

inline constexpr ImageFormat kPe32I386{pe::kPe32Magic, pe::kMachineI386, "PE32 i386"};
inline constexpr ImageFormat kPe32PlusAmd64{pe::kPe32PlusMagic, pe::kMachineAmd64, "PE32+ x86-64"};

// "PE32" or "PE32+", as the build names them.
std::optional<ImageFormat> ImageFormatNamed(std::string_view name);
bool HasFormat(const pe::PeImage& image, const ImageFormat& format);
// How the image's headers name it: "PE32 i386", "PE32+ machine 0x1c4", ...
std::string DescribeFormat(const pe::PeImage& image);
