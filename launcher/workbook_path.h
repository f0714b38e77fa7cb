#pragma once

#include <optional>
#include <string>

// The path under which Excel is asked to open the workbook: the executable's
// path with its own extension replaced by `extension` (a dot is put in front
// when it has none; an empty extension adds nothing). nullopt when the
// executable path is empty or the result would exceed 259 characters.
std::optional<std::string> MakeWorkbookPath(const std::string& exePath,
                                            const std::string& extension);
