#pragma once

// launcher-check's judgement of one built launcher: the executable itself,
// then every resource of its payload, in the order of their ids.

#include <optional>

#include "tools/launcher_check/contract_report.h"
#include "tools/launcher_check/launcher_image.h"
#include "tools/launcher_check/scratch_world.h"

struct CheckOptions {
  // The edition the launcher must be; any, when none is named.
  std::optional<ImageFormat> format;
  // The ANSI code page of the users' systems, which the authoring tool wrote
  // file names in (one LeadBytesOfCodePage knows). A launcher whose manifest
  // makes its process's code page UTF-8 reads them as the launcher does.
  int codePage = 1252;
};

// One finding for the image, its imports and its manifest, then one per
// resource role. A file that is no PE image gets the one finding that says so.
ContractReport CheckLauncher(Bytes image, const CheckOptions& options);
