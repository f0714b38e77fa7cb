#include "tools/launcher_check/zip_status_text.h"

#include <cstdio>

namespace {

const char* Meaning(ZipStatus status) {
  switch (status) {
    case zip_status::kOk:
      return "extracted";
    case zip_status::kCannotOpen:
      return "archive or output cannot be opened";
    case zip_status::kWriteFailed:
      return "output cannot be written";
    case zip_status::kBadLocalHeader:
      return "local header disagrees with its central record";
    case zip_status::kBadExtraField:
      return "extra field cannot be read";
    case zip_status::kBadPassword:
      return "encrypted";
    case zip_status::kBadIndex:
      return "no such entry";
    case zip_status::kBadData:
      return "data that does not inflate or fails its size or CRC check";
  }
  return "unknown";
}

}  // namespace

std::string DescribeZipStatus(ZipStatus status) {
  char number[16];
  std::snprintf(number, sizeof number, "0x%x", status);
  return std::string("status ") + number + " (" + Meaning(status) + ")";
}
