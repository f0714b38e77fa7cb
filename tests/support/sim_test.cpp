#include "tests/support/sim_test.h"

#include <fstream>
#include <iterator>
#include <random>

#include "platform/registry_api.h"

void SimTest::SetUp() { MakeEmptyWorld(); }

void SimTest::TearDown() { RemoveSandbox(); }

void SimTest::StartFromEmptyWorld() {
  RemoveSandbox();
  MakeEmptyWorld();
}

void SimTest::MakeEmptyWorld() {
  sim::ResetWorld();
  holds_.clear();
  std::random_device random;
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() /
      ("launcher-sim-" + std::to_string(random()) + std::to_string(random()));
  std::filesystem::create_directories(root);
  world().sandboxRoot = root;
  std::filesystem::create_directories(world().HostPath(world().tempFolder));
}

void SimTest::ScanWrittenFiles(std::uint32_t holdMilliseconds) {
  world().afterWriterCloses = [this, holdMilliseconds](
                                  const std::filesystem::path& host) {
    HoldOpen(host, holdMilliseconds);
  };
}

void SimTest::HoldOpenFor(const std::string& windowsPath,
                          std::uint32_t holdMilliseconds) {
  HoldOpen(world().HostPath(windowsPath), holdMilliseconds);
}

void SimTest::HoldOpen(const std::filesystem::path& host,
                       std::uint32_t length) {
  world().lockedFiles.insert(host);
  holds_[host] = {world().tickCount, length};
  world().whilePausing = [this] {
    for (auto hold = holds_.begin(); hold != holds_.end();) {
      if (world().tickCount - hold->second.since >= hold->second.length) {
        world().lockedFiles.erase(hold->first);
        hold = holds_.erase(hold);
      } else {
        ++hold;
      }
    }
  };
}

std::uint32_t SimTest::PausedMilliseconds() const {
  std::uint32_t total = 0;
  for (const std::uint32_t pause : sim::TheWorld().pauses) total += pause;
  return total;
}

void SimTest::RemoveSandbox() {
  std::error_code ignored;
  std::filesystem::remove_all(world().sandboxRoot, ignored);
}

void SimTest::PutFile(const std::string& windowsPath,
                      const std::string& content) {
  const std::filesystem::path host = world().HostPath(windowsPath);
  std::filesystem::create_directories(host.parent_path());
  std::ofstream(host, std::ios::binary) << content;
}

std::string SimTest::FileContent(const std::string& windowsPath) {
  std::ifstream file(world().HostPath(windowsPath), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void SimTest::RegisterRuntimeAddin(const std::string& serverPath, void* root,
                                   std::uint32_t loadBehavior) {
  world().SetRegistryDword(
      root != nullptr ? root : platform::kCurrentUser,
      "Software\\Microsoft\\Office\\Excel\\AddIns\\SheltraRuntime.Connect",
      "LoadBehavior", loadBehavior);
  world().RegistryKeyAt(platform::kClassesRoot, "SheltraRuntime.Connect", true);
  world().SetRegistryText(
      platform::kClassesRoot,
      "CLSID\\{5B0E2C71-3F4A-4D86-9E13-7A2C4F6B8D05}\\InprocServer32", "",
      serverPath);
  PutFile(serverPath, "MZ registered runtime module");
}

void SimTest::InstallExcel(int version, const std::string& folder) {
  world().SetRegistryText(platform::kLocalMachine,
                          "SOFTWARE\\Microsoft\\Office\\" +
                              std::to_string(version) +
                              ".0\\Excel\\InstallRoot",
                          "Path", folder);
  PutFile(folder + (folder.back() == '\\' ? "" : "\\") + "excel.exe", "MZ");
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}
