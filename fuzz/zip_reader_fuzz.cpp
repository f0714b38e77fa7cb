// Feeds arbitrary bytes to the ZIP reader as an archive file in a sandbox of
// the simulated Windows: open, describe every entry, extract entry 0.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "platform/sim/sim_world.h"
#include "resources/zip/zip_reader.h"

namespace {

const std::filesystem::path& Sandbox() {
  static const std::filesystem::path root =
      std::filesystem::temp_directory_path() /
      ("zip-reader-fuzz-" + std::to_string(::getpid()));
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  sim::ResetWorld();
  sim::World& world = sim::TheWorld();
  world.sandboxRoot = Sandbox();
  std::filesystem::remove_all(Sandbox());
  std::filesystem::create_directories(world.HostPath(world.currentFolder));
  std::ofstream(world.HostPath("C:\\Users\\u\\input.zip"), std::ios::binary)
      .write(reinterpret_cast<const char*>(data),
             static_cast<std::streamsize>(size));

  ZipHandle zip = OpenZipFile("C:\\Users\\u\\input.zip", "password");
  if (!zip) return 0;
  ZipEntryInfo info;
  for (std::int32_t index = 0; GetZipEntry(*zip, index, info) != 0x10000 &&
                               index < 1000;
       ++index) {
  }
  ExtractZipEntry(*zip, 0, "out\\entry.bin");
  CloseZip(std::move(zip));
  return 0;
}
