#pragma once

// Packing: a launcher stub and a payload made into a launcher. The stub's own
// resources are kept (its manifest given way to the payload's, when the
// payload has one) and the payload's added, in a resource table of their
// own; launcher-check's rules then judge the launcher as they judge any.

#include <filesystem>
#include <string>
#include <vector>

#include "pe/pe_bytes.h"
#include "tools/launcher_check/contract_report.h"
#include "tools/launcher_pack/payload.h"

struct PackOptions {
  PayloadDescription payload;
  // The manifest loses its UTF-8 code page: the process keeps the system's.
  bool systemCodePage = false;
  // The ANSI code page the help-file name was written in, as launcher-check
  // takes it.
  int codePage = 1252;
  // Whether launcher-check's rules judge the result; only the tests of how a
  // launcher meets a broken payload make one without.
  bool check = true;
};

struct PackResult {
  std::vector<std::uint8_t> launcher;  // empty when nothing was made
  std::vector<std::filesystem::path> inputs;
  ContractReport report;  // launcher-check's findings, when it ran
  std::string fault;      // why nothing was made, a sentence for the vendor
};

// `stubName` names the stub in the faults.
PackResult Pack(pe::Bytes stub, const std::string& stubName, const PackOptions& options);
