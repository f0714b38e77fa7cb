#include "common/narrow_text.h"

#include "platform/text.h"

namespace {

// The position of the character after the one starting at `position`.
std::size_t NextCharacter(std::string_view text, std::size_t position) {
  return position + (platform::IsLeadByte(text[position]) ? 2 : 1);
}

}  // namespace

std::size_t FindCharacter(std::string_view text, std::string_view characters) {
  for (std::size_t i = 0; i < text.size(); i = NextCharacter(text, i)) {
    if (characters.find(text[i]) != std::string_view::npos) return i;
  }
  return std::string_view::npos;
}

bool EndsWithCharacter(std::string_view text, char character) {
  if (text.empty()) return false;
  std::size_t last = 0;
  for (std::size_t i = 0; i < text.size(); i = NextCharacter(text, i)) {
    last = i;
  }
  return last == text.size() - 1 && text[last] == character;
}
