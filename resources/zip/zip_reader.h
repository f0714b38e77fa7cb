#pragma once

// The ZIP reader as the rest of the launcher uses it: open an archive file,
// describe an entry, extract an entry to a file with its attributes and
// times (or only its bytes into a file the caller holds), close. Results are
// status codes, 0 for success. A failed extraction to a path never leaves an
// output file behind.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/files.h"
#include "resources/zip/zip_directory.h"
#include "resources/zip/zip_entry_info.h"

using ZipStatus = std::uint32_t;

namespace zip_status {
inline constexpr ZipStatus kOk = 0;
// The archive cannot be opened or read as an archive, or the output file
// (or its path) cannot be made.
inline constexpr ZipStatus kCannotOpen = 0x200;
inline constexpr ZipStatus kWriteFailed = 0x400;
// The local header disagrees with the central record, or the central record
// cannot be read.
inline constexpr ZipStatus kBadLocalHeader = 0x700;
inline constexpr ZipStatus kBadExtraField = 0x800;
inline constexpr ZipStatus kBadPassword = 0x1000;
inline constexpr ZipStatus kBadIndex = 0x10000;
// The data cannot be read, inflated, or does not match its size or CRC.
inline constexpr ZipStatus kBadData = 0x5000000;
}  // namespace zip_status

class ZipReader {
 public:
  ZipReader(std::unique_ptr<ZipDirectory> directory,
            std::optional<std::string> password, std::string baseFolder);

  ZipStatus Describe(std::int32_t index, ZipEntryInfo& info);
  ZipStatus Extract(std::int32_t index, const std::string& targetPath);
  ZipStatus ExtractInto(std::int32_t index, platform::RawFile output,
                        ZipEntryInfo& info);

 private:
  ZipStatus MakeFolder(const std::string& targetPath);
  ZipStatus WriteFile(const ZipEntryInfo& info, const std::string& path);
  // Reads the current entry to its end into `output`; the entry is closed
  // afterwards.
  ZipStatus PumpEntry(platform::RawFile output);

  static constexpr std::uint32_t kOutputBufferSize = 16384;

  std::unique_ptr<ZipDirectory> directory_;
  std::optional<std::string> password_;
  // The current folder at open time, with a trailing separator.
  std::string baseFolder_;
  // Made at the first extraction, kept until the archive is closed.
  std::unique_ptr<std::uint8_t[]> outputBuffer_;
  std::array<std::uint8_t, 65535> localExtra_{};
};

using ZipHandle = std::unique_ptr<ZipReader>;

// Null when the file cannot be opened or holds no readable archive.
ZipHandle OpenZipFile(const std::string& path,
                      const std::optional<std::string>& password = {});
// The archive in a file already open for reading, from its current position
// on; the reader owns the file from then on, also when it returns null (no
// readable archive).
ZipHandle OpenZipArchive(platform::UniqueFile file,
                         const std::optional<std::string>& password = {});
ZipStatus GetZipEntry(ZipReader& zip, std::int32_t index, ZipEntryInfo& info);
// Writes entry `index` to `targetPath`: relative paths are taken from the
// folder that was current at open; missing folders are made.
ZipStatus ExtractZipEntry(ZipReader& zip, std::int32_t index,
                          const std::string& targetPath);
// Writes the bytes of entry `index` into `output` (open for writing) and
// describes the entry in `info`, whose times and attributes are the
// caller's to apply (ApplyEntryTimesAndAttributes) once the file is where
// it belongs. An entry that is a folder is kCannotOpen. On failure `output`
// may hold part of the entry.
ZipStatus ExtractZipEntryInto(ZipReader& zip, std::int32_t index,
                              platform::RawFile output, ZipEntryInfo& info);
ZipStatus CloseZip(ZipHandle zip);
