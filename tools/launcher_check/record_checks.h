#pragma once

// The small records the launcher reads itself, judged by its own parsers and
// rules: the workbook extension, the splash picture and its settings, and
// the help data. Each takes the resource's bytes, or nothing when the
// executable does not carry it.

#include <optional>

#include "tools/launcher_check/contract_report.h"
#include "tools/launcher_check/scratch_world.h"

// EXT (106): text starting with a dot, ended by its NUL.
Finding CheckExtension(const std::optional<Bytes>& extension);
// SPLASH (104): the one-byte placeholder, or a picture of two bytes or more.
Finding CheckSplash(const std::optional<Bytes>& splash);
// SPLASH_DATA (107), decoded; needed when SPLASH carries a picture.
Finding CheckSplashData(const std::optional<Bytes>& splashData, const std::optional<Bytes>& splash);
// CHM (115): the placeholder, or help data that parses and names a plain file.
Finding CheckHelpData(const std::optional<Bytes>& helpData);
