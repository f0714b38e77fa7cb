#pragma once

// What the reader reports about an entry, and the two translations from the
// stored form: the name made safe to join to a folder, and the Windows
// attributes derived from the host system that wrote the entry; and how a
// file extracted from it gets the entry's times and attributes.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/files.h"

struct ZipEntryInfo {
  std::int32_t index = 0;
  std::string name;  // at most 259 characters
  std::uint32_t attributes = 0;
  // None when the archive holds no valid time for it.
  std::optional<platform::FileTime> access;
  std::optional<platform::FileTime> creation;
  std::optional<platform::FileTime> modification;
  std::int32_t compressedSize = 0;
  std::int32_t uncompressedSize = 0;
};

// Drops drive prefixes, leading separators and everything up to a ".."
// component, repeatedly, so the name cannot leave the folder it is put in.
std::string CleanEntryName(const std::string& stored);

// Windows attributes from the external attributes: the DOS attribute bits for
// hosts that store them, else derived from the Unix mode bits.
std::uint32_t EntryAttributes(std::uint16_t versionMadeBy,
                              std::uint32_t externalAttributes);

// Gives the file at `path` the entry's recorded times, then its attributes
// (none recorded: kNormal). The attributes come last: a read-only file's
// times could not be set. What cannot be applied is left as it is.
void ApplyEntryTimesAndAttributes(const ZipEntryInfo& info,
                                  const std::string& path);
