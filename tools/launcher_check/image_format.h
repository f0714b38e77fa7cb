#pragma once

// The two editions of the launcher and the image format of each: PE32 for
// i386, for 32-bit Excel, and PE32+ for x86-64, for 64-bit Excel. A runtime
// module runs inside Excel and inside the launcher, so it must be of its
// launcher's edition.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pe/pe_image.h"

struct ImageFormat {
  std::uint16_t magic;
  std::uint16_t machine;
  const char* name;     // as the headers say it: "PE32 i386"
  const char* edition;  // "x86"
  const char* excel;    // the Excel it serves: "32-bit Excel"
};

inline constexpr ImageFormat kPe32I386{pe::kPe32Magic, pe::kMachineI386, "PE32 i386", "x86", "32-bit Excel"};
inline constexpr ImageFormat kPe32PlusAmd64{pe::kPe32PlusMagic, pe::kMachineAmd64, "PE32+ x86-64", "x64",
                                            "64-bit Excel"};

// "PE32" or "PE32+", as the build names them.
std::optional<ImageFormat> ImageFormatNamed(std::string_view name);
// The edition whose format the image has; nothing for any other image.
std::optional<ImageFormat> EditionOf(const pe::PeImage& image);
bool HasFormat(const pe::PeImage& image, const ImageFormat& format);
// How the image's headers name it: "PE32 i386", "PE32+ machine 0x1c4", ...
std::string DescribeFormat(const pe::PeImage& image);
// "the x86 edition, for 32-bit Excel"
std::string DescribeEdition(const ImageFormat& format);
