#pragma once

// The two editions of the loader add-in. The launcher writes the one that
// matches the Excel it starts; without it, that Excel is never told where
// the runtime module is.

#include <optional>

#include "tools/launcher_check/contract_report.h"
#include "tools/launcher_check/scratch_world.h"

// XLAM (119), for Excel 12 and later: an Office Open XML package, a ZIP
// archive holding [Content_Types].xml.
Finding CheckAddinXlam(const std::optional<Bytes>& xlam, ScratchWorld& world);
// XLA (121), for Excel below 12: an OLE2 compound file.
Finding CheckAddinXla(const std::optional<Bytes>& xla);
