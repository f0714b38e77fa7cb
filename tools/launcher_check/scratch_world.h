#pragma once

// The launcher's own ZIP reader works on files through the platform layer,
// so launcher-check runs it over the simulated Windows, whose files live in
// a scratch folder of this object's own under the host's temporary folder.
// The folder and everything the reader wrote there go with the object.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "resources/zip/zip_reader.h"
#include "tools/launcher_check/code_pages.h"

using Bytes = std::span<const std::uint8_t>;

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
