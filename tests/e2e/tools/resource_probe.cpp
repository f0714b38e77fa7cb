// Reads the resources of a built launcher through the real resource
// catalogue, with the real Windows loader, and compares them with the payload
// files it was built from:
//
//   resource_probe.exe <launcher.exe> <TYPE> <id> <file> [<TYPE> <id> <file>]...
//
// Also checks that no read leaves the launcher loaded in this process. Prints
// one line per resource; the exit code is the number of mismatches.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/resource_catalogue.h"

namespace {

std::vector<std::uint8_t> FileBytes(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file),
          std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || (argc - 2) % 3 != 0) {
    std::fprintf(stderr, "usage: %s <launcher> (<TYPE> <id> <file>)...\n",
                 argv[0]);
    return 100;
  }
  const std::string launcher = argv[1];
  ResourceCatalogue catalogue;
  int mismatches = 0;
  for (int i = 2; i + 2 < argc; i += 3) {
    const char* type = argv[i];
    const auto id = static_cast<std::uint16_t>(std::atoi(argv[i + 1]));
    std::vector<std::uint8_t> bytes;
    const bool read = catalogue.ReadResource(launcher, id, type, 0, 0, bytes);
    const bool same = read && bytes == FileBytes(argv[i + 2]);
    const bool released = ::GetModuleHandleA(launcher.c_str()) == nullptr;
    std::printf("%s %u: %s, %zu bytes, %s\n", type, id,
                same ? "matches" : (read ? "DIFFERS" : "NOT READ"),
                bytes.size(), released ? "released" : "STILL LOADED");
    if (!same || !released) ++mismatches;
  }
  return mismatches;
}
