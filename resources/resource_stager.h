#pragma once

// Extracts the first entry of a ZIP archive held in memory: the reader takes
// archives from files, so the bytes go through a temporary file of their own
// in the temporary folder. That folder may be shared with other users, so
// the file is made for this process alone: no one else can open, rename or
// replace it while it exists, it is read back through the handle that wrote
// it, and the system deletes it when that handle closes, on every path and
// also when the process is killed.

#include <cstdint>
#include <string>

#include "platform/files.h"
#include "resources/zip/zip_entry_info.h"

class ResourceStager {
 public:
  // A new temporary file holding `data`, positioned at its start, for
  // ExtractFirstEntry; empty for empty input or when none could be written.
  // A name that exists belongs to someone else: it is skipped, not deleted.
  platform::UniqueFile Stage(const std::uint8_t* data, std::uint32_t size);

  // The next temporary name: temporary folder, process id and a counter of
  // this process as digits, ".dat". Empty when the folder is unknown or the
  // name would exceed 259 characters.
  std::string MakeTempName();

  // True exactly when the bytes of entry 0 of the archive in `archive` (open
  // for reading, positioned at the archive's start) were written into
  // `output` (open for writing), with `entry` describing it: its times and
  // attributes are for the caller to apply where the file ends up.
  // `archive` is closed afterwards. Shows nothing; the caller words the
  // error.
  static bool ExtractFirstEntry(platform::UniqueFile archive,
                                platform::RawFile output, ZipEntryInfo& entry);
};
