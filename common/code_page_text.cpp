#include "common/code_page_text.h"

#include "platform/com_types.h"

std::optional<std::u16string> WideFromCodePage(std::string_view text,
                                               std::uint32_t codePage) {
  if (text.empty()) return std::u16string();
  const int length = static_cast<int>(text.size());
  const int wideLength =
      MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (wideLength == 0) return std::nullopt;
  std::u16string wide(static_cast<std::size_t>(wideLength), u'\0');
  if (MultiByteToWideChar(codePage, 0, text.data(), length,
                          reinterpret_cast<WCHAR*>(wide.data()),
                          wideLength) == 0) {
    return std::nullopt;
  }
  return wide;
}

std::optional<std::string> CodePageFromWide(std::u16string_view text,
                                            std::uint32_t codePage) {
  if (text.empty()) return std::string();
  const auto* wide = reinterpret_cast<const WCHAR*>(text.data());
  const int wideLength = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(codePage, 0, wide, wideLength,
                                         nullptr, 0, nullptr, nullptr);
  if (length == 0) return std::nullopt;
  std::string narrow(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(codePage, 0, wide, wideLength, narrow.data(),
                          length, nullptr, nullptr) == 0) {
    return std::nullopt;
  }
  return narrow;
}
