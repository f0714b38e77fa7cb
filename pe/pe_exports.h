#pragma once

// The names a PE image exports, as GetProcAddress finds them by name.

#include <string>
#include <vector>

#include "pe/pe_image.h"

namespace pe {

// The export directory's name table in its order. Names that cannot be read
// (outside the file's data, no NUL within 512 characters) are left out; a
// table claiming more names than its section can hold is cut to what it
// holds (and to 65536, as ordinals are 16-bit). Empty when the image has no export directory.
std::vector<std::string> ListPeExportNames(const PeImage& image);

}  // namespace pe
