#pragma once

// The launcher's own ZIP reader works on files through the platform layer,
// so launcher-check runs it over the simulated Windows, whose files live in
// a scratch folder of this object's own under the host's temporary folder.
// The folder and everything the reader wrote there go with the object.
//
// The simulated Windows has one of the ANSI code pages launcher-check can
// read file names in: the single-byte Windows-1252 and the double-byte East
// Asian ones, whose lead bytes start two-byte characters.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "resources/zip/zip_reader.h"
#include "tools/launcher_check/contract_report.h"

using LeadByteRanges = std::vector<std::pair<unsigned char, unsigned char>>;

// The lead bytes of an ANSI code page, by number; nothing for a code page
// launcher-check does not know.
std::optional<LeadByteRanges> LeadBytesOfCodePage(int codePage);
// The code pages it knows, as a usage line lists them: "1252|932|936|949|950".
std::string KnownCodePages();

class ScratchWorld {
 public:
  // Resets the simulated Windows as a system of ANSI code page
  // `systemCodePage` (one LeadBytesOfCodePage knows), whose launcher process
  // has that code page too, or UTF-8 with `utf8Process`.
  ScratchWorld(int systemCodePage, bool utf8Process);
  ~ScratchWorld();
  ScratchWorld(const ScratchWorld&) = delete;
  ScratchWorld& operator=(const ScratchWorld&) = delete;

  // Whether the scratch folder could be made; nothing else works without it.
  bool Ready() const { return !root_.empty(); }

  // The archive in `bytes` opened with the launcher's reader, from a file of
  // its own; null when the reader finds no archive there.
  ZipHandle OpenArchive(Bytes bytes);
  // A fresh path in the simulated C: drive for the reader to extract to.
  std::string NewPath();
  // The bytes of the file at a path from NewPath, when it holds at most
  // `limit` bytes.
  std::optional<std::vector<std::uint8_t>> ReadBack(const std::string& path, std::uint64_t limit) const;

 private:
  std::filesystem::path root_;
  int files_ = 0;
};
