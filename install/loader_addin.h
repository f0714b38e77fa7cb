#pragma once

#include <cstdint>
#include <string>

// Writes the loader add-in edition that suits Excel's major version (the
// XLA edition below 12, the XLAM edition from 12) into the product folder,
// or into the temporary folder when the local application-data folder is
// unknown, at every start. Returns the add-in file's path, or empty when no
// add-in file can be had. A file that cannot be rewritten (Excel has it
// open) is used as it is; one left read-only is rewritten all the same.
std::string ExtractLoaderAddin(const std::string& exePath,
                               std::int32_t excelVersion);
