#include "platform/text.h"

#include <windows.h>

namespace platform {

bool IsLeadByte(char byte) {
  return ::IsDBCSLeadByte(static_cast<BYTE>(byte)) != FALSE;
}

}  // namespace platform
