#pragma once

// A payload as the authoring tool hands it over: a folder holding a file per
// role under the role's default name, any role given a file of its own
// instead, or NONE to leave it out.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pe/pe_resources.h"

struct PayloadDescription {
  std::filesystem::path folder;
  // Role ("RUNTIME", ...) to its file, or to "NONE".
  std::map<std::string, std::string, std::less<>> files;
};

inline constexpr char kLeftOut[] = "NONE";

struct PayloadResources {
  std::vector<pe::Resource> resources;  // every role's but the manifest
  std::optional<std::vector<std::uint8_t>> manifest;
  std::vector<std::filesystem::path> inputs;  // each file read, in role order
  std::string fault;  // "RUNTIME: <file> cannot be read", ...; empty when read whole
};

// Reads every role's file; stops at the first that cannot be read or is not
// what its role takes.
PayloadResources ReadPayload(const PayloadDescription& description);
