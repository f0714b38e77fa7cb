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

class ResourceStager {
 public:
  // True exactly when entry 0 of the archive was extracted to `targetPath`.
  // Fails at once for empty input and when something at `targetPath` cannot
  // be deleted. Shows nothing; the caller words the error.
  bool StageAndExtract(const std::uint8_t* data, std::uint32_t size,
                       const std::string& targetPath);

  // The next temporary name: temporary folder, process id and a counter of
  // this process as digits, ".dat". Empty when the folder is unknown or the
  // name would exceed 259 characters.
  std::string MakeTempName();

  // True exactly when entry 0 of the archive in `archive` (open for reading,
  // positioned at the archive's start) was extracted to `targetPath` with its
  // attributes and times. `archive` is closed afterwards.
  static bool ExtractFirstEntry(platform::UniqueFile archive,
                                const std::string& targetPath);

 private:
  // A new temporary file holding `data`, positioned at its start; empty when
  // none could be written. A name that exists belongs to someone else: it is
  // skipped, not deleted.
  platform::UniqueFile WriteTempFile(const std::uint8_t* data,
                                     std::uint32_t size);
};
