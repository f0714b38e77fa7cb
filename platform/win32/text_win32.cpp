#include "platform/text.h"

#include <windows.h>

#include <cstdlib>

namespace platform {

std::uint32_t ProcessCodePage() { return ::GetACP(); }

std::uint32_t SystemCodePage() {
  char digits[8] = {};
  if (::GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE,
                       digits, sizeof digits) == 0) {
    return ::GetACP();
  }
  return static_cast<std::uint32_t>(std::strtoul(digits, nullptr, 10));
}

bool IsLeadByte(char byte) {
  return ::IsDBCSLeadByte(static_cast<BYTE>(byte)) != FALSE;
}

}  // namespace platform
