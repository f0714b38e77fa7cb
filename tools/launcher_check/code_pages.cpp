#include "tools/launcher_check/code_pages.h"

std::optional<LeadByteRanges> LeadBytesOfCodePage(int codePage) {
  switch (codePage) {
    case 1252:
      return LeadByteRanges{};
    case 932:  // Japanese (Shift JIS)
      return LeadByteRanges{{0x81, 0x9F}, {0xE0, 0xFC}};
    case 936:  // Simplified Chinese (GBK)
    case 949:  // Korean
    case 950:  // Traditional Chinese (Big5)
      return LeadByteRanges{{0x81, 0xFE}};
  }
  return std::nullopt;
}
