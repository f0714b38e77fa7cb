#include "tools/launcher_check/finding_wording.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

constexpr std::pair<ZipStatus, const char*> kZipStatusMeanings[] = {
    {zip_status::kOk, "extracted"},
    {zip_status::kCannotOpen, "archive or output cannot be opened"},
    {zip_status::kWriteFailed, "output cannot be written"},
    {zip_status::kBadLocalHeader, "local header disagrees with its central record"},
    {zip_status::kBadExtraField, "extra field cannot be read"},
    {zip_status::kBadPassword, "encrypted"},
    {zip_status::kBadIndex, "no such entry"},
    {zip_status::kBadData, "data that does not inflate or fails its size or CRC check"},
};

const char* Meaning(ZipStatus status) {
  const auto known = std::ranges::find(kZipStatusMeanings, status, &std::pair<ZipStatus, const char*>::first);
  return known == std::end(kZipStatusMeanings) ? "unknown" : known->second;
}

}  // namespace

std::string DescribeZipStatus(ZipStatus status) {
  char number[16];
  std::snprintf(number, sizeof number, "0x%x", status);
  return std::string("status ") + number + " (" + Meaning(status) + ")";
}
