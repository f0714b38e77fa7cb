#pragma once

#include <string>

#include "resources/zip/zip_reader.h"

// A ZIP reader status as the checker reports it: its number and what it
// means, e.g. "status 0x5000000 (data that does not inflate or fails its
// size or CRC check)".
std::string DescribeZipStatus(ZipStatus status);
