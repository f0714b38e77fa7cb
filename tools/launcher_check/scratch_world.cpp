#include "tools/launcher_check/scratch_world.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

#include "platform/sim/sim_world.h"
#include "platform/text.h"

namespace {

struct CodePage {
  int number;
  LeadByteRanges leadBytes;
};

const std::array<CodePage, 5> kCodePages = {{
    {1252, {}},
    {932, {{0x81, 0x9F}, {0xE0, 0xFC}}},  // Japanese (Shift JIS)
    {936, {{0x81, 0xFE}}},                // Simplified Chinese (GBK)
    {949, {{0x81, 0xFE}}},                // Korean
    {950, {{0x81, 0xFE}}},                // Traditional Chinese (Big5)
}};

constexpr char kFolder[] = "C:\\check\\";
// Names found taken before the checker gives up.
constexpr int kFolderAttempts = 64;

// A folder made afresh under the machine's temporary folder, under an
// unpredictable name (one found taken is tried again under another) and for
// its owner only, as mkdtemp makes one on Linux: no other user reads what
// the reader extracts there. Windows gives every user a temporary folder of
// their own. Empty when none could be made.
std::filesystem::path MakeScratchFolder() {
  std::error_code error;
  const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  if (error) return {};
  std::random_device entropy;
  for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "launcher-check.%08x", static_cast<unsigned>(entropy()));
    const std::filesystem::path folder = temp / name;
    if (std::filesystem::create_directory(folder, error)) {
      std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
      if (!error) return folder;
      std::filesystem::remove(folder, error);
      return {};
    }
    if (error) return {};
  }
  return {};
}

}  // namespace

std::optional<LeadByteRanges> LeadBytesOfCodePage(int codePage) {
  const auto known = std::ranges::find(kCodePages, codePage, &CodePage::number);
  if (known == kCodePages.end()) return std::nullopt;
  return known->leadBytes;
}

std::string KnownCodePages() {
  std::string numbers;
  for (const CodePage& codePage : kCodePages) {
    numbers += (numbers.empty() ? "" : "|") + std::to_string(codePage.number);
  }
  return numbers;
}

ScratchWorld::ScratchWorld(int systemCodePage, bool utf8Process) {
  sim::ResetWorld();
  root_ = MakeScratchFolder();
  if (root_.empty()) return;
  sim::World& world = sim::TheWorld();
  world.sandboxRoot = root_;
  world.systemCodePage = static_cast<std::uint32_t>(systemCodePage);
  world.processCodePage =
      utf8Process ? platform::kUtf8CodePage : world.systemCodePage;
  if (!utf8Process) {
    world.leadByteRanges = LeadBytesOfCodePage(systemCodePage).value_or(LeadByteRanges{});
  }
  std::error_code error;
  std::filesystem::create_directories(world.HostPath(kFolder), error);
  if (error) {
    std::filesystem::remove_all(root_, error);
    root_.clear();
  }
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
