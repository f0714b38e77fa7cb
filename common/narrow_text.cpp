#include "common/narrow_text.h"

#include "platform/text.h"

namespace {

// The position of the character after the one starting at `position`.
std::size_t NextCharacter(std::string_view text, std::size_t position) {
  if (platform::ProcessCodePage() == platform::kUtf8CodePage) {
    return position + platform::Utf8SequenceLength(text, position);
  }
  return position + (platform::IsLeadByte(text[position]) ? 2 : 1);
}

}  // namespace

std::size_t FindCharacter(std::string_view text, std::string_view characters) {
  for (std::size_t i = 0; i < text.size(); i = NextCharacter(text, i)) {
    if (characters.find(text[i]) != std::string_view::npos) return i;
  }
  return std::string_view::npos;
}

std::size_t FindLastCharacter(std::string_view text,
                              std::string_view characters) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); i = NextCharacter(text, i)) {
    if (characters.find(text[i]) != std::string_view::npos) found = i;
  }
  return found;
}

bool EndsWithCharacter(std::string_view text, char character) {
  const std::size_t found = FindLastCharacter(text, {&character, 1});
  return found != std::string_view::npos && found == text.size() - 1;
}

std::size_t FindExtension(std::string_view path) {
  std::size_t componentStart = FindLastCharacter(path, "\\/");
  if (componentStart != std::string_view::npos) {
    ++componentStart;
  } else {
    componentStart = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  }
  // No code page has a dot as the second byte of a character.
  const std::size_t dot = path.rfind('.');
  return dot != std::string_view::npos && dot >= componentStart
             ? dot
             : std::string_view::npos;
}

std::size_t CountCharacters(std::string_view text) {
  const bool utf8 = platform::ProcessCodePage() == platform::kUtf8CodePage;
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i = NextCharacter(text, i)) {
    // Beyond the Basic Multilingual Plane a character takes two UTF-16
    // units, which Windows counts as two.
    const bool supplementary =
        utf8 && platform::Utf8SequenceLength(text, i) == 4;
    count += supplementary ? 2 : 1;
  }
  return count;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = platform::Utf8SequenceLength(text, i);
    if (length == 1 && static_cast<unsigned char>(text[i]) >= 0x80) {
      return false;
    }
    i += length;
  }
  return true;
}

bool IsFullyQualifiedPath(std::string_view path) {
  const auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
  const auto isDriveLetter = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  };
  if (path.size() < 3) return false;
  return isSeparator(path[0])
             ? isSeparator(path[1]) && !isSeparator(path[2])
             : isDriveLetter(path[0]) && path[1] == ':' && isSeparator(path[2]);
}
