#include "tests/doubles/excel_automation/ole_text.h"

#include <cstdint>

namespace excel_double {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

void AppendUtf16(OleString& out, char32_t code) {
  if (code < 0x10000) {
    out += static_cast<OLECHAR>(code);
    return;
  }
  code -= 0x10000;
  out += static_cast<OLECHAR>(0xD800 | (code >> 10));
  out += static_cast<OLECHAR>(0xDC00 | (code & 0x3FF));
}

bool IsHighSurrogate(std::uint32_t unit) {
  return unit >= 0xD800 && unit < 0xDC00;
}
bool IsLowSurrogate(std::uint32_t unit) {
  return unit >= 0xDC00 && unit < 0xE000;
}

// The shape of a UTF-8 sequence by its lead byte.
struct SequenceShape {
  int trailingBytes;
  char32_t leadBits;
  char32_t smallest;  // anything below is an overlong form
};

bool ShapeOf(unsigned char lead, SequenceShape& shape) {
  if ((lead & 0xE0) == 0xC0) {
    shape = {1, lead & 0x1Fu, 0x80};
  } else if ((lead & 0xF0) == 0xE0) {
    shape = {2, lead & 0x0Fu, 0x800};
  } else if ((lead & 0xF8) == 0xF0) {
    shape = {3, lead & 0x07u, 0x10000};
  } else {
    return false;
  }
  return true;
}

// The code point of the UTF-8 sequence at `text[at]`, advancing `at` past
// it; a malformed, overlong or cut sequence counts as one byte of U+FFFD.
char32_t NextCodePoint(std::string_view text, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) {
    ++at;
    return lead;
  }
  SequenceShape shape{};
  if (!ShapeOf(lead, shape) ||
      at + static_cast<std::size_t>(shape.trailingBytes) >= text.size()) {
    ++at;
    return kReplacement;
  }
  char32_t code = shape.leadBits;
  for (int i = 1; i <= shape.trailingBytes; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) {
      ++at;
      return kReplacement;
    }
    code = (code << 6) | (next & 0x3Fu);
  }
  if (code < shape.smallest || code > 0x10FFFF ||
      (code >= 0xD800 && code < 0xE000)) {
    ++at;
    return kReplacement;
  }
  at += static_cast<std::size_t>(shape.trailingBytes) + 1;
  return code;
}

}  // namespace

std::string Utf8FromOle(const OLECHAR* text, std::size_t length) {
  std::string out;
  out.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint32_t unit = static_cast<std::uint16_t>(text[i]);
    if (IsHighSurrogate(unit) && i + 1 < length &&
        IsLowSurrogate(static_cast<std::uint16_t>(text[i + 1]))) {
      const std::uint32_t low = static_cast<std::uint16_t>(text[++i]);
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::string Utf8FromBstr(BSTR text) {
  return text == nullptr ? std::string()
                         : Utf8FromOle(text, SysStringLen(text));
}

std::string Utf8FromName(const OLECHAR* name) {
  if (name == nullptr) return {};
  std::size_t length = 0;
  while (name[length] != 0) ++length;
  return Utf8FromOle(name, length);
}

OleString OleFromUtf8(std::string_view text) {
  OleString out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    AppendUtf16(out, NextCodePoint(text, at));
  }
  return out;
}

std::string EscapeForJournal(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace excel_double
