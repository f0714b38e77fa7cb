#pragma once

// Writes a resource table into a copy of a PE image: a new last section
// holds the whole table, and the image's resource directory entry points at
// it. Nothing else of the image moves: the sections before keep their
// addresses and bytes (a former resource section stays, no longer pointed
// at). The headers are made right for the new section: NumberOfSections,
// SizeOfImage, SizeOfInitializedData, the resource directory entry and the
// checksum. The same image and resources give the same bytes, in any order
// the resources come.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pe/pe_bytes.h"
#include "pe/pe_resources.h"

namespace pe {

// The bytes of a resource section that will lie at `sectionRva`: the
// directory tree (time stamps 0, entries in ResourceOrderLess order), the
// names, the data entries, then each resource's data aligned to 8 bytes.
// Nothing when two resources share type, name and language, the table would
// pass 4 GiB (its end, as an address), a name is longer than 65535 UTF-16
// units, or one directory would hold more than 65535 named or 65535 id
// entries (the counts a directory header has room for).
std::optional<std::vector<std::uint8_t>> BuildResourceSection(std::span<const Resource> resources,
                                                              std::uint32_t sectionRva);

struct ImageWithResources {
  std::vector<std::uint8_t> image;  // empty when refused
  std::string refusal;              // why not, for a person: "is signed", "has no room for a section header", ...
};

// `image` with `resources` as its resource table. Refused, with the reason:
// not a PE image; a certificate table (a signature the change would break);
// data after the last section (an overlay the new section would bury); no
// room in the headers for one more section header (40 zero bytes after the
// section table, before SizeOfHeaders and the first section's data);
// duplicate resources; an image that would pass 4 GiB. Also refused, as no
// image the launcher is built into has them: no resource entry among the
// data directories; section or file alignments that are no powers of two, a
// file alignment above the section alignment or above 64 KiB, or a section
// alignment below a page (4096, where file offsets must equal addresses); sections running past
// the end of the file; the table's own limits (BuildResourceSection).
//
// The new section is named ".rsrc" (the image may already have one, no
// longer pointed at), lies at the first SectionAlignment boundary after the
// last section in memory and at the file's end rounded up to FileAlignment,
// and is initialized, readable data.
ImageWithResources WithResourceTable(Bytes image, std::span<const Resource> resources);

// The PE checksum of `image` as Windows computes it (CheckSumMappedFile):
// the 16-bit one's-complement sum of the file with the checksum field taken
// as zero, plus the file's length.
std::uint32_t ImageChecksum(Bytes image);

}  // namespace pe
