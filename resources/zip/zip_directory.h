#pragma once

// The archive's directory: the end record, a cursor over the central records,
// the check of an entry's local header against its central record, and the
// stream of the one entry that may be open at a time.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "resources/zip/zip_end_record.h"
#include "resources/zip/zip_entry_stream.h"
#include "resources/zip/zip_input.h"
#include "resources/zip/zip_result.h"

struct ZipCentralRecord {
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t dosTime = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint16_t nameLength = 0;
  std::uint16_t extraLength = 0;
  std::uint16_t commentLength = 0;
  std::uint16_t diskNumberStart = 0;
  std::uint16_t internalAttributes = 0;
  std::uint32_t externalAttributes = 0;
  std::uint32_t localHeaderOffset = 0;
  // At most 259 bytes: longer stored names are cut.
  std::string name;
};

// Where the parts behind an entry's local header lie, relative to the
// archive start.
struct ZipLocalLayout {
  std::uint64_t extraPosition = 0;
  std::uint16_t extraSize = 0;
  std::uint64_t dataPosition = 0;
};

class ZipDirectory {
 public:
  // Reads the end record and moves to the first entry. On failure the input
  // is closed with the discarded directory.
  static int Open(ZipInput input, std::unique_ptr<ZipDirectory>& directory);

  int FirstEntry();
  // kEndOfList after the last entry or after a record that was not readable.
  int NextEntry();
  // Moves the cursor to entry `index` (rewinding when it lies behind) and
  // requires that entry's central record to be readable.
  int MoveTo(std::uint32_t index);
  int CheckLocalHeader(ZipLocalLayout& layout);
  // Reads `size` bytes at a position relative to the archive start.
  bool ReadAt(std::uint64_t position, void* buffer, std::uint32_t size);

  int OpenEntry(const std::optional<std::string>& password);
  int ReadEntry(std::uint8_t* buffer, std::uint32_t length, bool& end);
  // kCrcMismatch or kOk; the stream is released either way.
  int CloseEntry();

  std::uint32_t EntryCount() const { return end_.entryCount; }
  const ZipCentralRecord& Current() const { return current_; }

 private:
  ZipDirectory(ZipInput input, const ZipEndRecord& end,
               std::uint64_t archiveStart);
  int ReadCentralRecord();

  ZipInput input_;
  ZipEndRecord end_;
  std::uint64_t archiveStart_ = 0;
  std::uint32_t currentNumber_ = 0;
  std::uint64_t currentPosition_ = 0;
  bool currentValid_ = false;
  ZipCentralRecord current_;
  std::unique_ptr<ZipEntryStream> stream_;
};
