#include "tools/launcher_pack/launcher_stub.h"

#include <algorithm>

#include "pe/pe_image.h"
#include "pe/pe_signature.h"
#include "tools/launcher_pack/payload_roles.h"

namespace {

constexpr std::uint16_t kUpdateDialogId = 108;
constexpr std::uint16_t kManifestId = 1;

bool Holds(const std::vector<pe::Resource>& resources, const pe::ResourceName& type, const pe::ResourceName& name) {
  return std::ranges::any_of(resources,
                             [&](const pe::Resource& resource) { return resource.type == type && resource.name == name; });
}

// The first payload role the resources already fill, as "RUNTIME 102".
std::optional<std::string> CarriedRole(const std::vector<pe::Resource>& resources) {
  for (const PayloadRole& role : PayloadRoles()) {
    bool carried = false;
    switch (role.kind) {
      case ResourceKind::kData: carried = Holds(resources, StoredType(role), role.id); break;
      case ResourceKind::kIconGroup: carried = Holds(resources, pe::resource_type::kIconGroup, role.id); break;
      case ResourceKind::kBitmap: carried = Holds(resources, pe::resource_type::kBitmap, role.id); break;
      case ResourceKind::kManifest: break;  // the stub's own
    }
    if (carried) return std::string(role.role) + " " + std::to_string(role.id);
  }
  return std::nullopt;
}

StubReading Refused(std::string fault) { return {std::nullopt, std::move(fault)}; }

}  // namespace

StubReading ReadLauncherStub(pe::Bytes image) {
  const std::optional<pe::PeImage> headers = pe::PeImage::Open(image);
  if (!headers) return Refused("is not a PE image");
  const std::optional<ImageFormat> edition = EditionOf(*headers);
  if (!edition) return Refused("is " + DescribeFormat(*headers) + ", the format of neither edition of the launcher");
  if ((headers->Characteristics() & pe::kCharacteristicDll) != 0) return Refused("is a DLL, not a launcher stub");
  if (pe::ReadSignature(image, *headers).state != pe::SignatureFacts::State::kUnsigned) {
    return Refused("is signed: a payload written into it would break the signature; pack the unsigned stub and "
                   "sign the launcher it makes");
  }
  std::optional<std::vector<pe::Resource>> resources = pe::ReadAllResources(image);
  if (!resources) return Refused("has a resource table that cannot be read whole: a file cut short, or damaged");
  if (const std::optional<std::string> role = CarriedRole(*resources)) {
    return Refused("is a launcher that already carries a payload (" + *role + "): pack the stub, not a launcher");
  }
  if (!Holds(*resources, pe::resource_type::kDialog, kUpdateDialogId) || !Holds(*resources, pe::resource_type::kManifest, kManifestId)) {
    return Refused("is not a launcher stub: it lacks the launcher's manifest or its update dialog (108)");
  }
  return {LauncherStub{*edition, std::move(*resources)}, {}};
}
