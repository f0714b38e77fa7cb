#pragma once

// launcher-check's two ways of telling its findings: one line per finding
// for people and build logs, JSON for tooling. Text taken from the file
// (names of entries, DLLs, help files) is escaped, never printed raw.

#include <ostream>
#include <string_view>

#include "tools/launcher_check/contract_report.h"

// "<role> <id> <size> <verdict> <why>" in columns, "-" for no id or size,
// then a closing line that tells whether the launcher keeps the contract.
void PrintText(const ContractReport& report, std::string_view file, std::ostream& out);
// {"file": ..., "passed": ..., "findings": [{"role", "id", "size",
// "verdict", "why"}, ...]}, with null for no id or size.
void PrintJson(const ContractReport& report, std::string_view file, std::ostream& out);
