#pragma once

// The launcher executable itself: which of the launcher's two editions its
// image is, its subsystem, the DLLs the loader resolves before any of its
// code runs, the manifest that keeps Windows from elevating it, and who
// signed it.
//
// The two editions and the image format of each: PE32 for i386, for 32-bit
// Excel, and PE32+ for x86-64, for 64-bit Excel. A runtime module runs inside
// Excel and inside the launcher, so it must be of its launcher's edition.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pe/pe_image.h"
#include "tools/launcher_check/contract_report.h"

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

// The EXECUTABLE finding: a Windows GUI program (not a DLL) of either
// edition, and of the `expected` one when one is named.
Finding CheckImage(const pe::PeImage& image, std::uint64_t fileSize, const std::optional<ImageFormat>& expected);
// The IMPORTS finding: only the system DLLs every Windows has in its system
// folder; advapi32 and shell32 are bound at run time, never imported.
Finding CheckImports(const pe::PeImage& image);
// The MANIFEST finding for resource (24, 1), absent when `manifest` is.
Finding CheckManifest(const std::optional<std::vector<std::uint8_t>>& manifest);
// The SIGNATURE finding: the Authenticode signature and who signed, as the
// certificate table tells (not verified: osslsigncode verify does that). An
// unsigned launcher keeps the contract; a table that cannot be read does not,
// as Windows takes the image for one whose signature is broken.
Finding CheckSignature(pe::Bytes image, const pe::PeImage& headers);
// Whether the manifest text declares requestedExecutionLevel asInvoker (the
// element in any namespace prefix, the level in either kind of quotes).
bool DeclaresAsInvoker(std::string_view manifest);
// Whether the manifest text makes the process's ANSI code page UTF-8: an
// activeCodePage element, in any namespace prefix, whose text is UTF-8.
bool DeclaresUtf8CodePage(std::string_view manifest);
