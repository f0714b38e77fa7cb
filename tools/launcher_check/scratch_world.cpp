#include "tools/launcher_check/scratch_world.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/sim/sim_world.h"
#include "platform/text.h"

namespace {

constexpr char kFolder[] = "C:\\check\\";

}  // namespace

ScratchWorld::ScratchWorld(int systemCodePage, bool utf8Process) {
  sim::ResetWorld();
  std::error_code error;
  std::string pattern = (std::filesystem::temp_directory_path(error) / "launcher-check.XXXXXX").string();
  if (error || mkdtemp(pattern.data()) == nullptr) return;
  root_ = pattern;
  sim::World& world = sim::TheWorld();
  world.sandboxRoot = root_;
  world.systemCodePage = static_cast<std::uint32_t>(systemCodePage);
  world.processCodePage =
      utf8Process ? platform::kUtf8CodePage : world.systemCodePage;
  if (!utf8Process) {
    world.leadByteRanges = LeadBytesOfCodePage(systemCodePage).value_or(LeadByteRanges{});
  }
  std::filesystem::create_directories(world.HostPath(kFolder), error);
  if (error) root_.clear();
}

ScratchWorld::~ScratchWorld() {
  sim::ResetWorld();
  if (root_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string ScratchWorld::NewPath() { return kFolder + std::to_string(++files_); }

ZipHandle ScratchWorld::OpenArchive(Bytes bytes) {
  const std::string path = NewPath();
  {
    std::ofstream file(sim::TheWorld().HostPath(path), std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) return nullptr;
  }
  return OpenZipFile(path);
}

std::optional<std::vector<std::uint8_t>> ScratchWorld::ReadBack(const std::string& path, std::uint64_t limit) const {
  const std::filesystem::path host = sim::TheWorld().HostPath(path);
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(host, error);
  if (error || size > limit) return std::nullopt;
  std::ifstream file(host, std::ios::binary);
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (!file.eof() && !file) return std::nullopt;
  return bytes;
}
