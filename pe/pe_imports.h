#pragma once

// The DLLs a PE image imports, which the loader resolves before any of the
// image's code runs.

#include <string>
#include <vector>

#include "pe/pe_image.h"

namespace pe {

struct PeImports {
  // DLL names as the import descriptors spell them, in table order.
  std::vector<std::string> dlls;
  // False when the table runs off its section's data before its closing
  // empty descriptor, or a DLL name cannot be read: the image may import
  // more than `dlls` says.
  bool complete = false;
};

// An image without an import directory imports nothing: complete, no DLLs.
PeImports ListPeImports(const PeImage& image);

}  // namespace pe
