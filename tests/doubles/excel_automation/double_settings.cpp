#include "ascii/ascii_case.h"
#include "tests/doubles/excel_automation/double_settings.h"

#include <algorithm>
#include <charconv>

#include "tests/doubles/excel_automation/ole_text.h"

namespace excel_double {
namespace {

template <typename Number>
bool ParseDecimal(std::string_view text, Number& value) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && !text.empty();
}

// Applies one key=value pair; false when the pair means nothing.
bool Apply(std::string_view key, std::string_view value,
           DoubleSettings& settings) {
  if (EqualsIgnoringAsciiCase(key, "Version")) {
    settings.versionIsError = value == kVersionErrorMarker;
    settings.version = value;
  } else if (EqualsIgnoringAsciiCase(key, "fail")) {
    settings.failingMembers.emplace_back(value);
  } else if (EqualsIgnoringAsciiCase(key, "fail.open")) {
    settings.failingOpens.emplace_back(value);
  } else if (EqualsIgnoringAsciiCase(key, "fail.run")) {
    settings.failingMacros.emplace_back(value);
  } else if (EqualsIgnoringAsciiCase(key, "hwnd")) {
    std::int32_t number = 0;
    if (!ParseDecimal(value, number)) return false;
    settings.reportedWindow = number;
  } else if (EqualsIgnoringAsciiCase(key, "create")) {
    std::uint32_t failure = 0;
    const auto [end, status] =
        std::from_chars(value.data(), value.data() + value.size(), failure, 16);
    if (status != std::errc{} || end != value.data() + value.size() ||
        static_cast<std::int32_t>(failure) >= 0) {
      return false;
    }
    settings.creationFailure = failure;
  } else if (EqualsIgnoringAsciiCase(key, "busy.calls")) {
    return ParseDecimal(value, settings.busyCalls);
  } else if (EqualsIgnoringAsciiCase(key, "busy.after")) {
    return ParseDecimal(value, settings.busyAfter);
  } else if (EqualsIgnoringAsciiCase(key, "busy.ms")) {
    return ParseDecimal(value, settings.busyMilliseconds);
  } else if (EqualsIgnoringAsciiCase(key, "window")) {
    if (value != "none") return false;
    settings.makesWindow = false;
  } else {
    return false;
  }
  return true;
}

bool Contains(const std::vector<std::string>& list, std::string_view text) {
  return std::find(list.begin(), list.end(), text) != list.end();
}

}  // namespace

bool DoubleSettings::MemberFails(std::string_view member) const {
  return std::any_of(failingMembers.begin(), failingMembers.end(),
                     [&](const std::string& name) {
                       return EqualsIgnoringAsciiCase(name, member);
                     });
}

bool DoubleSettings::OpenFails(std::string_view fileName) const {
  return Contains(failingOpens, fileName);
}

bool DoubleSettings::MacroFails(std::string_view macro) const {
  return Contains(failingMacros, macro);
}

DoubleSettings ParseSettings(std::string_view text) {
  DoubleSettings settings;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos ||
        !Apply(line.substr(0, equals), line.substr(equals + 1), settings)) {
      settings.ignoredLines.emplace_back(line);
    }
  }
  return settings;
}

}  // namespace excel_double
