// The simulated kernel32 text and thread calls: the ANSI code page (the
// simulated system's is Windows-1252) with Windows' length rules and its
// lead bytes, the thread's last error, and interlocked counts.
//
// Windows' "best fit" replacements (U+0100 to 'A', ...) are not simulated:
// every wide character outside Windows-1252 becomes the default character.

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "platform/com_types.h"
#include "platform/sim/sim_world.h"
#include "platform/text.h"

namespace {

constexpr DWORD kErrorInvalidParameter = 87;
constexpr DWORD kErrorInsufficientBuffer = 122;
constexpr DWORD kErrorInvalidFlags = 1004;
constexpr UINT kWindows1252 = 1252;

// Bytes 0x80 to 0x9F of Windows-1252. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the same code point, as
// Windows maps them.
constexpr std::array<char16_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
constexpr unsigned kRangeStart = 0x80;
constexpr unsigned kRangeEnd = kRangeStart + kHighControlRange.size();

char16_t WideOf(unsigned char byte) {
  if (byte >= kRangeStart && byte < kRangeEnd) {
    return kHighControlRange[byte - kRangeStart];
  }
  return byte;
}

// The byte for `wide`, or nothing when the code page cannot hold it.
bool ByteOf(char16_t wide, char& byte) {
  if (wide < kRangeStart || (wide >= kRangeEnd && wide <= 0xFF)) {
    byte = static_cast<char>(wide);
    return true;
  }
  const auto found =
      std::find(kHighControlRange.begin(), kHighControlRange.end(), wide);
  if (found == kHighControlRange.end()) return false;
  byte = static_cast<char>(kRangeStart + (found - kHighControlRange.begin()));
  return true;
}

// 0 with the thread's last error set, as the failing calls answer.
int Fail(DWORD error) {
  sim::TheWorld().lastError = error;
  return 0;
}

// The checks both directions share: an injected fault, the code page and
// flags, the arguments, then the output size. Returns the number of units to
// convert, or 0 after setting the last error; a negative `inputLength`
// means "up to and including the terminating zero".
template <typename Unit, typename Output>
int CheckConversion(std::string_view operation, UINT codePage, DWORD flags,
                    const Unit* input, int& inputLength, const Output* output,
                    int outputLength) {
  if (const auto code = sim::TheWorld().faults.Failure(operation)) {
    return Fail(static_cast<DWORD>(*code));
  }
  if (codePage != CP_ACP && codePage != kWindows1252) {
    return Fail(kErrorInvalidParameter);
  }
  if (flags != 0) return Fail(kErrorInvalidFlags);
  if (input == nullptr || inputLength == 0 || outputLength < 0 ||
      (output == nullptr && outputLength != 0)) {
    return Fail(kErrorInvalidParameter);
  }
  if (inputLength < 0) {
    inputLength = static_cast<int>(std::char_traits<Unit>::length(input)) + 1;
  }
  if (outputLength != 0 && outputLength < inputLength) {
    return Fail(kErrorInsufficientBuffer);
  }
  return inputLength;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text,
                        int length, WCHAR* wide, int wideLength) {
  const int count = CheckConversion("MultiByteToWideChar", codePage, flags,
                                    text, length, wide, wideLength);
  if (count == 0 || wideLength == 0) return count;
  for (int i = 0; i < count; ++i) {
    wide[i] = WideOf(static_cast<unsigned char>(text[i]));
  }
  return count;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wide,
                        int wideLength, char* text, int length,
                        const char* defaultChar, BOOL* usedDefaultChar) {
  const int count = CheckConversion("WideCharToMultiByte", codePage, flags,
                                    wide, wideLength, text, length);
  if (count == 0) return 0;
  bool usedDefault = false;
  for (int i = 0; i < count; ++i) {
    char byte;
    if (!ByteOf(wide[i], byte)) {
      byte = defaultChar != nullptr ? *defaultChar : '?';
      usedDefault = true;
    }
    if (length != 0) text[i] = byte;
  }
  if (usedDefaultChar != nullptr) *usedDefaultChar = usedDefault;
  return count;
}

int lstrlenA(const char* text) {
  return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}

DWORD GetLastError() { return sim::TheWorld().lastError; }

void SetLastError(DWORD code) { sim::TheWorld().lastError = code; }

LONG InterlockedIncrement(LONG volatile* value) {
  return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedDecrement(LONG volatile* value) {
  return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
}

bool platform::IsLeadByte(char byte) {
  const auto value = static_cast<unsigned char>(byte);
  return std::ranges::any_of(
      sim::TheWorld().leadByteRanges,
      [value](const auto& range) {
        return value >= range.first && value <= range.second;
      });
}
