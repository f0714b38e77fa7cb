#pragma once

// How the checks word their findings: lists of names, quoted text, the
// launcher's messages by number and the ZIP reader's statuses.

#include <string>
#include <string_view>

#include "common/messages.h"
#include "resources/zip/zip_reader.h"

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

// A ZIP reader status as the checker reports it: its number and what it
// means, e.g. "status 0x5000000 (data that does not inflate or fails its
// size or CRC check)".
std::string DescribeZipStatus(ZipStatus status);
