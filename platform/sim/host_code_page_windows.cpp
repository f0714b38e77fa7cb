// The simulated Windows on the real one (the vendor's tools built for
// Windows): its code pages are the system's own. No best-fit replacement on
// the way out and no U+FFFD on the way in, so that text the code page cannot
// hold fails, as the iconv conversion on Linux fails on it.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <limits>

#include "platform/sim/host_code_page.h"

namespace sim {

bool HostDecode(std::uint32_t codePage, std::string_view text,
                std::u16string& wide) {
  wide.clear();
  if (text.empty()) return true;
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return false;
  }
  const int length = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS,
                                        text.data(), length, nullptr, 0);
  if (units <= 0) return false;
  std::wstring converted(static_cast<std::size_t>(units), L'\0');
  if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length,
                          converted.data(), units) != units) {
    return false;
  }
  wide.assign(converted.begin(), converted.end());
  return true;
}

bool HostEncode(std::uint32_t codePage, std::u16string_view wide,
                std::string& text) {
  text.clear();
  if (wide.empty()) return true;
  if (wide.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return false;
  }
  const std::wstring units(wide.begin(), wide.end());
  const int length = static_cast<int>(units.size());
  BOOL usedDefault = FALSE;
  const int bytes = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS,
                                        units.data(), length, nullptr, 0,
                                        nullptr, &usedDefault);
  if (bytes <= 0 || usedDefault) return false;
  text.assign(static_cast<std::size_t>(bytes), '\0');
  return WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, units.data(),
                             length, text.data(), bytes, nullptr,
                             &usedDefault) == bytes &&
         !usedDefault;
}

}  // namespace sim
