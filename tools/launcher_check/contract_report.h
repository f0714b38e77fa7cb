#pragma once

// What launcher-check finds: one finding per resource (and per property of
// the executable itself), each with its verdict and the reason in words;
// and the two ways of telling them: one line per finding for people and
// build logs, JSON for tooling. Text taken from the file (names of entries,
// DLLs, help files) is escaped, never printed raw.

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "resources/resource_ids.h"

// The bytes of a resource, or of the whole executable.
using Bytes = std::span<const std::uint8_t>;

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

// The finding on `resource`, of the size of `bytes`: none when the launcher
// does not carry it.
Finding ResourceFinding(const resource_ids::ResourceId& resource, const std::optional<Bytes>& bytes, Verdict verdict,
                        std::string why);

// Warnings do not break it.
bool BreaksContract(const ContractReport& report);

// "<role> <id> <size> <verdict> <why>" in columns, "-" for no id or size,
// then a closing line that tells whether the launcher keeps the contract.
void PrintText(const ContractReport& report, std::string_view file, std::ostream& out);
// {"file": ..., "passed": ..., "findings": [{"role", "id", "size",
// "verdict", "why"}, ...]}, with null for no id or size.
void PrintJson(const ContractReport& report, std::string_view file, std::ostream& out);
