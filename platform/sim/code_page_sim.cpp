// The simulated kernel32 text and thread calls: the ANSI code pages (the
// simulated system's is Windows-1252; a process may have UTF-8) with
// Windows' length rules and lead bytes, the thread's last error, and
// interlocked counts.
//
// Windows' "best fit" replacements (U+0100 to 'A', ...) are not simulated:
// every wide character outside Windows-1252 becomes the default character.

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/com_types.h"
#include "platform/sim/code_page_sim.h"
#include "platform/sim/host_code_page.h"
#include "platform/sim/sim_world.h"
#include "platform/text.h"

namespace {

constexpr DWORD kErrorInvalidParameter = 87;
constexpr DWORD kErrorInsufficientBuffer = 122;
constexpr DWORD kErrorInvalidFlags = 1004;
constexpr DWORD kErrorNoUnicodeTranslation = 1113;
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

std::u16string DecodeWindows1252(std::string_view text) {
  std::u16string wide;
  for (const char byte : text) wide += WideOf(static_cast<unsigned char>(byte));
  return wide;
}

// Bytes that form no character become U+FFFD, as Windows decodes them when
// not asked to fail on them.
std::u16string DecodeUtf8(std::string_view text) {
  std::u16string wide;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = platform::Utf8SequenceLength(text, at);
    const auto byte = [&](std::size_t i) {
      return static_cast<char32_t>(static_cast<unsigned char>(text[at + i]));
    };
    char32_t code = 0xFFFD;
    if (length == 1 && byte(0) < 0x80) {
      code = byte(0);
    } else if (length > 1) {
      code = byte(0) & (0x7F >> length);
      for (std::size_t i = 1; i < length; ++i) code = code << 6 | (byte(i) & 0x3F);
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      wide += static_cast<char16_t>(0xD800 + (code >> 10));
      wide += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      wide += static_cast<char16_t>(code);
    }
    at += length;
  }
  return wide;
}

// A lone surrogate becomes U+FFFD, as Windows encodes it.
std::string EncodeUtf8(std::u16string_view wide) {
  std::string text;
  for (std::size_t at = 0; at < wide.size(); ++at) {
    char32_t code = wide[at];
    if (code >= 0xD800 && code <= 0xDBFF && at + 1 < wide.size() &&
        wide[at + 1] >= 0xDC00 && wide[at + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (wide[++at] - 0xDC00);
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      text += static_cast<char>(code);
    } else if (code < 0x800) {
      text += static_cast<char>(0xC0 | code >> 6);
      text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      text += static_cast<char>(0xE0 | code >> 12);
      text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      text += static_cast<char>(0xF0 | code >> 18);
      text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      text += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return text;
}

UINT Resolved(UINT codePage) {
  return codePage == CP_ACP ? sim::TheWorld().processCodePage : codePage;
}

bool Decode(UINT codePage, std::string_view text, std::u16string& wide) {
  switch (codePage) {
    case kWindows1252:
      wide = DecodeWindows1252(text);
      return true;
    case CP_UTF8:
      wide = DecodeUtf8(text);
      return true;
  }
  // Other code pages (the East Asian ones launcher-check reads names in)
  // are the machine's own.
  return sim::HostDecode(codePage, text, wide);
}

// `usedDefault` tells whether a character the code page lacks became
// `defaultChar`.
bool Encode(UINT codePage, std::u16string_view wide, char defaultChar,
            std::string& text, bool& usedDefault) {
  usedDefault = false;
  if (codePage == CP_UTF8) {
    text = EncodeUtf8(wide);
    return true;
  }
  if (codePage == kWindows1252) {
    text.clear();
    for (const char16_t unit : wide) {
      char byte;
      if (!ByteOf(unit, byte)) {
        byte = defaultChar;
        usedDefault = true;
      }
      text += byte;
    }
    return true;
  }
  return sim::HostEncode(codePage, wide, text);
}

// The checks both directions share: an injected fault, the flags and the
// arguments. False after setting the last error; a negative `inputLength`
// becomes the length up to and including the terminating zero.
template <typename Unit, typename Output>
bool CheckArguments(std::string_view operation, DWORD flags, const Unit* input,
                    int& inputLength, const Output* output, int outputLength) {
  if (const auto code = sim::TheWorld().faults.Failure(operation)) {
    return Fail(static_cast<DWORD>(*code)) != 0;
  }
  if (flags != 0) return Fail(kErrorInvalidFlags) != 0;
  if (input == nullptr || inputLength == 0 || outputLength < 0 ||
      (output == nullptr && outputLength != 0)) {
    return Fail(kErrorInvalidParameter) != 0;
  }
  if (inputLength < 0) {
    inputLength = static_cast<int>(std::char_traits<Unit>::length(input)) + 1;
  }
  return true;
}

// Copies the converted units out, or only counts them when `outputLength`
// is 0, as both directions answer.
template <typename Unit>
int Deliver(std::basic_string_view<Unit> converted, Unit* output,
            int outputLength) {
  const int count = static_cast<int>(converted.size());
  if (outputLength == 0) return count;
  if (outputLength < count) return Fail(kErrorInsufficientBuffer);
  std::copy(converted.begin(), converted.end(), output);
  return count;
}

}  // namespace

bool sim::DecodeProcessText(std::string_view text, std::u16string& wide) {
  return Decode(Resolved(CP_ACP), text, wide);
}

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text,
                        int length, WCHAR* wide, int wideLength) {
  if (!CheckArguments("MultiByteToWideChar", flags, text, length, wide,
                      wideLength)) {
    return 0;
  }
  std::u16string converted;
  if (!Decode(Resolved(codePage), {text, static_cast<std::size_t>(length)},
              converted)) {
    return Fail(kErrorNoUnicodeTranslation);
  }
  return Deliver<char16_t>(converted, reinterpret_cast<char16_t*>(wide),
                           wideLength);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wide,
                        int wideLength, char* text, int length,
                        const char* defaultChar, BOOL* usedDefaultChar) {
  if (!CheckArguments("WideCharToMultiByte", flags, wide, wideLength, text,
                      length)) {
    return 0;
  }
  const UINT target = Resolved(codePage);
  // UTF-8 has every character: Windows refuses a default one for it.
  if (target == CP_UTF8 && (defaultChar != nullptr || usedDefaultChar != nullptr)) {
    return Fail(kErrorInvalidParameter);
  }
  std::string converted;
  bool usedDefault = false;
  if (!Encode(target,
              {reinterpret_cast<const char16_t*>(wide),
               static_cast<std::size_t>(wideLength)},
              defaultChar != nullptr ? *defaultChar : '?', converted,
              usedDefault)) {
    return Fail(kErrorNoUnicodeTranslation);
  }
  if (usedDefaultChar != nullptr) *usedDefaultChar = usedDefault;
  return Deliver<char>(converted, text, length);
}

int lstrlenA(const char* text) {
  return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}

DWORD GetLastError() { return sim::TheWorld().lastError; }

void SetLastError(DWORD code) { sim::TheWorld().lastError = code; }

std::uint32_t platform::ProcessCodePage() {
  return sim::TheWorld().processCodePage;
}

std::uint32_t platform::SystemCodePage() {
  return sim::TheWorld().systemCodePage;
}

bool platform::IsLeadByte(char byte) {
  const auto value = static_cast<unsigned char>(byte);
  return std::ranges::any_of(
      sim::TheWorld().leadByteRanges,
      [value](const auto& range) {
        return value >= range.first && value <= range.second;
      });
}
