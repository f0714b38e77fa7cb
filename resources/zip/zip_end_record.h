#pragma once

// The end-of-central-directory record: where the archive's directory lies and
// how many entries it holds. The archive may follow other data in the file
// (an executable stub), so the record is searched for from the end.

#include <cstdint>

#include "resources/zip/zip_input.h"

struct ZipEndRecord {
  std::uint64_t position = 0;  // of its signature, relative to the input
  std::uint16_t entryCount = 0;
  std::uint16_t commentLength = 0;
  std::uint32_t directorySize = 0;
  std::uint32_t directoryOffset = 0;
};

// The position of the last end-record signature within the final 65,535
// bytes of the input, searched in overlapping 1 KiB chunks. kInputError when
// there is none.
int FindEndRecord(ZipInput& input, std::uint64_t& position);

// Finds and reads the end record. kBadArchive when it describes something
// this reader does not handle (several disks) or a directory that cannot
// precede it.
int ReadEndRecord(ZipInput& input, ZipEndRecord& record);
