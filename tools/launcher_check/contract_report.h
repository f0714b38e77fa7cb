#pragma once

// What launcher-check finds: one finding per resource (and per property of
// the executable itself), each with its verdict and the reason in words.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class Verdict {
  kOk,
  // The launcher runs, but without something its vendor probably meant it to
  // have (no splash, a resource the runtime module reads is missing).
  kWarning,
  // The launcher or the runtime module fails on some or every machine.
  kError,
};

struct Finding {
  // The resource's role ("RUNTIME", "CHM", ...) or a property of the
  // executable ("EXECUTABLE", "IMPORTS").
  std::string role;
  std::optional<std::uint16_t> id;
  // Bytes of the resource (of the file, for the executable); none when
  // absent or not a resource.
  std::optional<std::uint64_t> size;
  Verdict verdict = Verdict::kOk;
  std::string why;
};

using ContractReport = std::vector<Finding>;

const char* VerdictName(Verdict verdict);
// Warnings do not break it.
bool BreaksContract(const ContractReport& report);
