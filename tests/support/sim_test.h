#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sim/sim_world.h"

// Base fixture of every test over the simulated Windows: each test starts
// from an empty world whose files live in a sandbox folder of its own,
// removed afterwards.
class SimTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  sim::World& world() { return sim::TheWorld(); }

  // Writes a file at a Windows path of the sandbox, making its folders.
  void PutFile(const std::string& windowsPath, const std::string& content);
  // The content of the file at a Windows path; empty when there is none.
  std::string FileContent(const std::string& windowsPath);
};

std::vector<std::uint8_t> Bytes(const std::string& text);
