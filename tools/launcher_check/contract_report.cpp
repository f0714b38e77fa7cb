#include "tools/launcher_check/contract_report.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

std::string Hex(unsigned char byte, const char* format) {
  char text[8];
  std::snprintf(text, sizeof text, format, byte);
  return text;
}

// Control characters and bytes above ASCII (names in some ANSI code page)
// as \xNN, and so the backslash too, which may be such a byte's second half.
std::string Printable(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    out += byte < 0x20 || byte >= 0x7F || c == '\\' ? Hex(byte, "\\x%02X") : std::string(1, c);
  }
  return out;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      out += Hex(byte, "\\u%04x");
    } else {
      out += c;
    }
  }
  return out + "\"";
}

template <typename Number>
std::string OrElse(const std::optional<Number>& value, const char* none) {
  return value ? std::to_string(*value) : none;
}

const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::kOk:
      return "ok";
    case Verdict::kWarning:
      return "warning";
    case Verdict::kError:
      return "error";
  }
  return "error";
}

}  // namespace

Finding ResourceFinding(const resource_ids::ResourceId& resource, const std::optional<Bytes>& bytes, Verdict verdict,
                        std::string why) {
  return {resource.type, resource.id, bytes ? std::optional<std::uint64_t>(bytes->size()) : std::nullopt, verdict,
          std::move(why)};
}

bool BreaksContract(const ContractReport& report) {
  return std::ranges::any_of(report, [](const Finding& finding) { return finding.verdict == Verdict::kError; });
}

void PrintText(const ContractReport& report, std::string_view file, std::ostream& out) {
  for (const Finding& finding : report) {
    char columns[96];
    std::snprintf(columns, sizeof columns, "%-11s %4s %9s  %-7s  ", finding.role.c_str(),
                  OrElse(finding.id, "-").c_str(), OrElse(finding.size, "-").c_str(), VerdictName(finding.verdict));
    out << columns << Printable(finding.why) << '\n';
  }
  out << Printable(file)
      << (BreaksContract(report) ? ": breaks the payload contract\n" : ": keeps the payload contract\n");
}

void PrintJson(const ContractReport& report, std::string_view file, std::ostream& out) {
  out << "{\"file\": " << JsonString(file) << ", \"passed\": " << (BreaksContract(report) ? "false" : "true")
      << ", \"findings\": [";
  const char* separator = "\n  ";
  for (const Finding& finding : report) {
    out << separator << "{\"role\": " << JsonString(finding.role) << ", \"id\": " << OrElse(finding.id, "null")
        << ", \"size\": " << OrElse(finding.size, "null") << ", \"verdict\": \"" << VerdictName(finding.verdict)
        << "\", \"why\": " << JsonString(finding.why) << "}";
    separator = ",\n  ";
  }
  out << "\n]}\n";
}
