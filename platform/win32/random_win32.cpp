#include <objbase.h>

#include "platform/random.h"

namespace platform {

std::uint32_t UnpredictableNumber() {
  GUID guid;
  if (SUCCEEDED(::CoCreateGuid(&guid))) return guid.Data1;
  // Without an identifier the number is still hard to foresee from
  // outside: the performance counter moves every fraction of a
  // microsecond.
  LARGE_INTEGER counter;
  ::QueryPerformanceCounter(&counter);
  return static_cast<std::uint32_t>(counter.QuadPart) ^ ::GetTickCount();
}

}  // namespace platform
