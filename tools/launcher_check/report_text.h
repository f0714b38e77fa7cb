#pragma once

// Small pieces of the checker's wording.

#include <string>
#include <string_view>

#include "common/messages.h"

// The names of `names` one after another, `separator` between them.
template <typename Names>
std::string Joined(const Names& names, std::string_view separator) {
  std::string text;
  for (const auto& name : names) {
    if (!text.empty()) text += separator;
    text += name;
  }
  return text;
}

// `text` in double quotes, as the checker cites the launcher's messages.
inline std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// One of the launcher's messages, named by its number.
inline std::string MessageLabel(messages::Number number) {
  return "message " + std::to_string(static_cast<int>(number));
}
