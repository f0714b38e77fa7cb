// Feeds arbitrary bytes to InstallRuntime as the executable's RUNTIME
// resource, over the simulated Windows, and checks what a later start relies
// on: the file at the module's place is the earlier module or a complete copy
// of the archive's first entry (its size and CRC as the central record gives
// them), never a partial one; nothing else is left in the product folder or
// the temporary folder; no file handle or module stays open.
//
// The first byte chooses the earlier start's module: none, one, read-only,
// or one held open by another process. The rest is the resource.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>
#include <zlib.h>

#include "common/messages.h"
#include "install/runtime_install.h"
#include "platform/sim/sim_world.h"
#include "resources/zip/zip_directory.h"

namespace {

const std::string kExe = "C:\\Tools\\Budget.exe";
const std::string kProductFolder = "C:\\Users\\u\\AppData\\Local\\Quorvane";
const std::string kModule = kProductFolder + "\\SheltraRuntime.dll";
const std::string kEarlierModule = "MZ module of an earlier start";

enum class Earlier { kNone, kPresent, kReadOnly, kInUse };

const std::filesystem::path& Sandbox() {
  static const std::filesystem::path root =
      std::filesystem::temp_directory_path() /
      ("install-runtime-fuzz-" + std::to_string(::getpid()));
  return root;
}

[[noreturn]] void Broken(const char* invariant) {
  std::fprintf(stderr, "install_runtime: %s\n", invariant);
  std::abort();
}

std::string HostFileContent(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file),
          std::istreambuf_iterator<char>()};
}

// The size and CRC that the archive's first central record gives, when the
// archive has one that can be read.
struct RecordedEntry {
  std::uint32_t size = 0;
  std::uint32_t crc = 0;
};

std::optional<RecordedEntry> FirstRecordedEntry(const std::string& archive) {
  const std::string copy = "C:\\archive-copy.zip";
  std::ofstream(sim::TheWorld().HostPath(copy), std::ios::binary) << archive;
  platform::UniqueFile file(platform::OpenFileForReading(copy));
  std::unique_ptr<ZipDirectory> directory;
  std::optional<RecordedEntry> entry;
  if (file && ZipDirectory::Open(ZipInput(std::move(file)), directory) == 0 &&
      directory->MoveTo(0) == 0) {
    entry = RecordedEntry{directory->Current().uncompressedSize,
                          directory->Current().crc};
  }
  return entry;
}

void PutEarlierModule(sim::World& world, Earlier earlier) {
  if (earlier == Earlier::kNone) return;
  const std::filesystem::path host = world.HostPath(kModule);
  std::filesystem::create_directories(host.parent_path());
  std::ofstream(host, std::ios::binary) << kEarlierModule;
  if (earlier == Earlier::kReadOnly) {
    world.fileRecords[host].attributes = platform::file_attribute::kReadOnly;
  }
  if (earlier == Earlier::kInUse) world.lockedFiles.insert(host);
}

void CheckNothingElseLeft(const sim::World& world) {
  for (const auto& entry : std::filesystem::directory_iterator(
           world.HostPath(kProductFolder))) {
    if (entry.path().filename() != "SheltraRuntime.dll") {
      Broken("a file besides the module is left in the product folder");
    }
  }
  if (!std::filesystem::is_empty(world.HostPath(world.tempFolder))) {
    Broken("a file is left in the temporary folder");
  }
  for (const auto& [path, open] : world.openFiles) {
    if (open.readers != 0 || open.writers != 0) Broken("a file is left open");
  }
  if (world.LoadedModuleReferences() != 0) Broken("a module is left loaded");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size == 0) return 0;
  const auto earlier = static_cast<Earlier>(data[0] % 4);
  const std::string archive(reinterpret_cast<const char*>(data) + 1, size - 1);

  sim::ResetWorld();
  sim::World& world = sim::TheWorld();
  world.sandboxRoot = Sandbox();
  std::filesystem::remove_all(Sandbox());
  std::filesystem::create_directories(world.HostPath(world.tempFolder));
  std::filesystem::create_directories(world.HostPath(kProductFolder));
  PutEarlierModule(world, earlier);
  world.AddResource(kExe, "RUNTIME", 102,
                    std::vector<std::uint8_t>(archive.begin(), archive.end()));

  std::string runtimePath;
  LauncherError error;
  const bool installed = InstallRuntime(kExe, /*soleStart=*/true, runtimePath, error);
  // An empty resource reads as none: nothing is installed, nothing touched.
  if (archive.empty()) {
    if (installed || error != messages::kRuntimeMissing) {
      Broken("an empty resource was taken for an archive");
    }
    const std::filesystem::path module = world.HostPath(kModule);
    const bool earlierKept =
        earlier == Earlier::kNone
            ? !std::filesystem::exists(module)
            : HostFileContent(module) == kEarlierModule;
    if (!earlierKept) Broken("a missing archive changed the module in place");
    world.lockedFiles.clear();
    CheckNothingElseLeft(world);
    return 0;
  }
  if (runtimePath != kModule) Broken("the module's path is not its fixed one");

  const std::filesystem::path host = world.HostPath(kModule);
  const bool present = std::filesystem::is_regular_file(host);
  if (installed != present) Broken("success does not match the module's presence");
  if (!installed && error != messages::RuntimeNotInstalled(kModule)) {
    Broken("a failed installation without its message");
  }
  if (earlier == Earlier::kInUse) {
    if (HostFileContent(host) != kEarlierModule) Broken("a module in use was changed");
  } else if (present) {
    const std::string module = HostFileContent(host);
    const std::optional<RecordedEntry> recorded = FirstRecordedEntry(archive);
    const auto crc = static_cast<std::uint32_t>(
        ::crc32(0, reinterpret_cast<const Bytef*>(module.data()),
                static_cast<uInt>(module.size())));
    if (!recorded || recorded->size != module.size() || recorded->crc != crc) {
      Broken("the installed module is not the archive's first entry");
    }
  }
  world.lockedFiles.clear();
  CheckNothingElseLeft(world);
  return 0;
}
