#include "tools/launcher_pack/payload_roles.h"

#include <algorithm>
#include <array>

#include "resources/resource_ids.h"

namespace {

constexpr PayloadRole Data(std::string_view role, resource_ids::ResourceId resource, std::string_view file) {
  return {role, ResourceKind::kData, resource.id, resource.type, file};
}

// The manifest is no payload file: without one given, the stub's own stays,
// which keeps the launcher unelevated.
constexpr std::array kRoles = {
    Data("RUNTIME", resource_ids::kRuntime, "runtime.zip"),
    Data("LDR", resource_ids::kLoader, "ldr.bin"),
    Data("SPLASH", resource_ids::kSplash, "splash.zip"),
    Data("XLS", resource_ids::kWorkbook, "workbook.xls"),
    Data("EXT", resource_ids::kExtension, "ext.bin"),
    Data("SPLASH_DATA", resource_ids::kSplashData, "splash_data.bin"),
    Data("UPDATER", resource_ids::kUpdater, "updater.bin"),
    Data("UPDATE_DATA", resource_ids::kUpdateData, "update_data.bin"),
    Data("CHM", resource_ids::kHelpData, "chm.bin"),
    Data("XLAM", resource_ids::kAddinXlam, "loader.xlam"),
    Data("XLA", resource_ids::kAddinXla, "loader.xla"),
    PayloadRole{"ICON", ResourceKind::kIconGroup, 101, {}, "launcher.ico"},
    PayloadRole{"BITMAP", ResourceKind::kBitmap, 109, {}, "update.bmp"},
    PayloadRole{"MANIFEST", ResourceKind::kManifest, 1, {}, {}},
};

}  // namespace

std::span<const PayloadRole> PayloadRoles() { return kRoles; }

std::u16string StoredType(const PayloadRole& role) { return {role.type.begin(), role.type.end()}; }

std::optional<PayloadRole> PayloadRoleNamed(std::string_view role) {
  const auto found = std::ranges::find(kRoles, role, &PayloadRole::role);
  if (found == kRoles.end()) return std::nullopt;
  return *found;
}
