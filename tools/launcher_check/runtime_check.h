#pragma once

// The RUNTIME resource as the launcher installs it and uses it afterwards:
// a ZIP archive whose entry 0 the launcher's reader extracts, CRC checked,
// and that entry a DLL of the launcher's own format exporting by name what
// the launcher calls.

#include <optional>

#include "tools/launcher_check/contract_report.h"
#include "tools/launcher_check/launcher_image.h"
#include "tools/launcher_check/scratch_world.h"

Finding CheckRuntime(const std::optional<Bytes>& archive, const ImageFormat& format, ScratchWorld& world);
