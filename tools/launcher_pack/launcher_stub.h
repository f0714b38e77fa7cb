#pragma once

// A launcher stub: the launcher executable of one edition with only its own
// resources (its manifest and the update dialog), made to be packed with a
// payload. Anything else handed in as a stub is told apart from one here, so
// that launcher-pack never writes a payload into an image it would break.

#include <optional>
#include <string>
#include <vector>

#include "pe/pe_bytes.h"
#include "pe/pe_resources.h"
#include "tools/launcher_check/launcher_image.h"

struct LauncherStub {
  ImageFormat edition;
  std::vector<pe::Resource> resources;
};

struct StubReading {
  std::optional<LauncherStub> stub;
  std::string fault;  // why the image is no stub to pack, for "<file> <fault>"
};

StubReading ReadLauncherStub(pe::Bytes image);
