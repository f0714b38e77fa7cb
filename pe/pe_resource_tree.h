#pragma once

// Internal to launcher_pe: the pieces of a resource table as it lies in the
// file, shared by the lookup reader (pe_resource_reader.cpp), the whole-table
// reader (pe_resources.cpp) and the writer (pe_resource_writer.cpp). Offsets
// are relative to the table's start, as the table's own offsets are.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pe/pe_bytes.h"
#include "pe/pe_image.h"

namespace pe::resource_tree {

inline constexpr std::uint64_t kDirectoryHeaderSize = 16;
inline constexpr std::uint64_t kDirectoryEntrySize = 8;
inline constexpr std::uint64_t kDataEntrySize = 16;
inline constexpr std::uint32_t kHighBit = 0x8000'0000u;
// Real images hold a few thousand resources at most, but hostile input can
// point every type at one huge directory or name and make a full walk
// quadratic. A walk stops after this much work (directory entries plus name
// characters read).
inline constexpr std::uint64_t kWalkBudget = 1u << 18;

struct DirectoryEntry {
  std::uint32_t name;    // high bit set: offset of a length-prefixed UTF-16 name; clear: an integer id
  std::uint32_t target;  // high bit set: offset of a subdirectory; clear: offset of a data entry
  bool IsNamed() const { return (name & kHighBit) != 0; }
  bool LeadsToDirectory() const { return (target & kHighBit) != 0; }
  // The loader compares only the low 16 bits of an id.
  std::uint16_t Id() const { return static_cast<std::uint16_t>(name); }
  std::uint64_t NameOffset() const { return name & ~kHighBit; }
  std::uint64_t TargetOffset() const { return target & ~kHighBit; }
};

struct Directory {
  // NumberOfNamedEntries + NumberOfIdEntries as the header claims them.
  std::uint64_t claimed = 0;
  // The claimed entries, cut to `limit` and to those that fit in the tree, so
  // a lying header can neither send reads past the end nor size an allocation.
  std::vector<DirectoryEntry> entries;
};

inline Directory ReadDirectory(Bytes tree, std::uint64_t offset, std::uint64_t limit) {
  Directory directory;
  if (!Fits(tree, offset, kDirectoryHeaderSize)) return directory;
  directory.claimed = std::uint64_t{ReadU16(tree, offset + 12)} + ReadU16(tree, offset + 14);
  const std::uint64_t first = offset + kDirectoryHeaderSize;
  const std::uint64_t count = std::min({directory.claimed, limit, (tree.size() - first) / kDirectoryEntrySize});
  directory.entries.reserve(count);
  for (std::uint64_t at = first; at < first + count * kDirectoryEntrySize; at += kDirectoryEntrySize) {
    directory.entries.push_back({ReadU32(tree, at), ReadU32(tree, at + 4)});
  }
  return directory;
}

// The length-prefixed UTF-16 name at `offset`; nothing when it runs past the
// tree.
inline std::optional<std::u16string> ReadName(Bytes tree, std::uint64_t offset) {
  if (!Fits(tree, offset, 2)) return std::nullopt;
  const std::uint64_t length = ReadU16(tree, offset);
  if (!Fits(tree, offset + 2, length * 2)) return std::nullopt;
  std::u16string name(length, u'\0');
  for (std::uint64_t unit = 0; unit < length; ++unit)
    name[unit] = static_cast<char16_t>(ReadU16(tree, offset + 2 + unit * 2));
  return name;
}

// The bytes a data entry at `offset` describes: its RVA resolved through the
// image's sections, checked against what the file holds (so a claimed 4 GB
// is refused before anything is copied). Nothing when the entry or its bytes
// lie outside.
inline std::optional<Bytes> ReadData(const PeImage& image, Bytes tree, std::uint64_t offset) {
  if (!Fits(tree, offset, kDataEntrySize)) return std::nullopt;
  const std::uint64_t size = ReadU32(tree, offset + 4);
  if (size == 0) return Bytes{};  // nothing to read, so wherever it points is harmless
  const std::optional<Bytes> bytes = image.BytesAtRva(ReadU32(tree, offset));
  if (!bytes || size > bytes->size()) return std::nullopt;
  return bytes->first(size);
}

// The image's resource table: from its directory entry's RVA to the end of
// the file data of the section holding it (the directory's Size field is not
// needed: offsets are bounded by the section). Nothing when the image has no
// resource directory or its RVA lies in no section's file data; `declared`
// tells the two apart.
struct Table {
  PeImage image;
  Bytes tree;
};

inline std::optional<Table> OpenTable(const PeImage& image, bool* declared = nullptr) {
  const std::optional<DataDirectory> directory = image.Directory(DataDirectoryIndex::kResource);
  if (declared) *declared = directory.has_value();
  if (!directory) return std::nullopt;
  const std::optional<Bytes> tree = image.BytesAtRva(directory->rva);
  if (!tree) return std::nullopt;
  return Table{image, *tree};
}

}  // namespace pe::resource_tree
