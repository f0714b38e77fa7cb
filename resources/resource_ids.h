#pragma once

// The resources the executable carries: the contract between the authoring
// tool that adds them, the launcher and the runtime module. Every resource is
// stored under language 1033; lookups never name a language.

#include <cstdint>

namespace resource_ids {

struct ResourceId {
  std::uint16_t id;
  const char* type;
};

inline constexpr ResourceId kRuntime{102, "RUNTIME"};
inline constexpr ResourceId kLoader{103, "LDR"};
inline constexpr ResourceId kSplash{104, "SPLASH"};
inline constexpr ResourceId kWorkbook{105, "XLS"};
inline constexpr ResourceId kExtension{106, "EXT"};
inline constexpr ResourceId kSplashData{107, "SPLASH_DATA"};
inline constexpr ResourceId kUpdater{111, "UPDATER"};
inline constexpr ResourceId kUpdateData{113, "UPDATE_DATA"};
inline constexpr ResourceId kHelpData{115, "CHM"};
inline constexpr ResourceId kAddinXlam{119, "XLAM"};
inline constexpr ResourceId kAddinXla{121, "XLA"};

}  // namespace resource_ids
