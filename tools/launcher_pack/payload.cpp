#include "tools/launcher_pack/payload.h"

#include <iterator>

#include "tools/launcher_check/file_bytes.h"
#include "tools/launcher_pack/image_resources.h"
#include "tools/launcher_pack/payload_roles.h"

namespace {

// Where a role's file is: its own, the folder's by default name, or none.
std::optional<std::filesystem::path> RoleFile(const PayloadDescription& description, const PayloadRole& role) {
  const auto given = description.files.find(role.role);
  if (given != description.files.end()) {
    if (given->second == kLeftOut) return std::nullopt;
    return std::filesystem::path(given->second);
  }
  if (role.defaultFile.empty()) return std::nullopt;
  return description.folder / role.defaultFile;
}

// The role's resources made of the file's bytes; the fault when it is not
// what the role takes.
ConvertedResources RoleResources(const PayloadRole& role, std::vector<std::uint8_t> bytes) {
  switch (role.kind) {
    case ResourceKind::kIconGroup: return IconGroupResources(bytes, role.id, kPayloadLanguage);
    case ResourceKind::kBitmap: return BitmapResource(bytes, role.id, kPayloadLanguage);
    case ResourceKind::kData:
    case ResourceKind::kManifest: break;
  }
  return {{{StoredType(role), role.id, kPayloadLanguage, std::move(bytes)}}, {}};
}

}  // namespace

PayloadResources ReadPayload(const PayloadDescription& description) {
  PayloadResources payload;
  for (const PayloadRole& role : PayloadRoles()) {
    const std::optional<std::filesystem::path> file = RoleFile(description, role);
    if (!file) continue;
    const std::string named = std::string(role.role) + ": " + file->string();
    std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(*file);
    if (!bytes) {
      payload.fault = named + " cannot be read (give its role NONE to leave it out)";
      return payload;
    }
    payload.inputs.push_back(*file);
    if (role.kind == ResourceKind::kManifest) {
      payload.manifest = std::move(*bytes);
      continue;
    }
    ConvertedResources converted = RoleResources(role, std::move(*bytes));
    if (!converted.fault.empty()) {
      payload.fault = named + " " + converted.fault;
      return payload;
    }
    payload.resources.insert(payload.resources.end(), std::make_move_iterator(converted.resources.begin()),
                             std::make_move_iterator(converted.resources.end()));
  }
  return payload;
}
