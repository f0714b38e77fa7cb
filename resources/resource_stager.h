#pragma once

// Extracts the first entry of a ZIP archive held in memory: the reader opens
// archives by file name only, so the bytes go through a temporary file of
// their own in the temporary folder, which is deleted afterwards.

#include <cstdint>
#include <string>

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

  // True exactly when entry 0 of the archive at `archivePath` was extracted
  // to `targetPath` with its attributes and times.
  static bool ExtractFirstEntry(const std::string& archivePath,
                                const std::string& targetPath);

 private:
  // Creates a new temporary file holding `data`; returns its name, or empty.
  // A name that exists belongs to someone else: it is skipped, not deleted.
  std::string WriteTempFile(const std::uint8_t* data, std::uint32_t size);
};
