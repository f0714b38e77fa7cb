#pragma once

// The resources a payload puts into a launcher, by role: what the authoring
// tool hands over as files, under which type and id the launcher and its
// runtime module look for each, and the file name a payload folder holds it
// under. Every one is stored under language 1033.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

enum class ResourceKind {
  // The file's bytes, as they are, under a named type.
  kData,
  // An .ico file, split into an icon group and its icons as Windows wants.
  kIconGroup,
  // A .bmp file without its file header, as a bitmap resource.
  kBitmap,
  // An application manifest, in place of the stub's own.
  kManifest,
};

struct PayloadRole {
  std::string_view role;  // "RUNTIME", ...: add_launcher's argument names
  ResourceKind kind;
  std::uint16_t id;
  std::string_view type;  // the named type of kData roles
  std::string_view defaultFile;
};

inline constexpr std::uint16_t kPayloadLanguage = 1033;

std::span<const PayloadRole> PayloadRoles();
// The named type a kData role's resource is stored under, in the UTF-16 of
// a resource table.
std::u16string StoredType(const PayloadRole& role);
std::optional<PayloadRole> PayloadRoleNamed(std::string_view role);
