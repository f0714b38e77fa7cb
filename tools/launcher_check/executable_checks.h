#pragma once

// The launcher executable itself: its image format and subsystem, the DLLs
// the loader resolves before any of its code runs, and the manifest that
// keeps Windows from elevating it.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "pe/pe_image.h"
#include "tools/launcher_check/contract_report.h"
#include "tools/launcher_check/image_format.h"

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
