#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sim/sim_world.h"

// Base fixture of every test over the simulated Windows: each test starts
// from an empty world.
class SimTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::ResetWorld(); }
  sim::World& world() { return sim::TheWorld(); }
};

std::vector<std::uint8_t> Bytes(const std::string& text);
