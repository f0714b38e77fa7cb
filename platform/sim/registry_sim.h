#pragma once

namespace sim {

struct SimModule;

// Gives the simulated advapi32.dll the registry entry points the launcher
// binds, working on the world's registry tree.
void InstallSimRegistryFunctions(SimModule& advapi32);

}  // namespace sim
