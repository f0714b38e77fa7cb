#include "tools/launcher_check/contract_report.h"

#include <algorithm>

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

bool BreaksContract(const ContractReport& report) {
  return std::ranges::any_of(report, [](const Finding& finding) { return finding.verdict == Verdict::kError; });
}
