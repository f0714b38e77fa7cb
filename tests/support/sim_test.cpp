#include "tests/support/sim_test.h"

#include <fstream>
#include <iterator>
#include <random>

void SimTest::SetUp() {
  sim::ResetWorld();
  std::random_device random;
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() /
      ("launcher-sim-" + std::to_string(random()) + std::to_string(random()));
  std::filesystem::create_directories(root);
  world().sandboxRoot = root;
  std::filesystem::create_directories(world().HostPath(world().tempFolder));
}

void SimTest::TearDown() {
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

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}
