#include "tools/launcher_check/addin_checks.h"

#include <algorithm>
#include <array>
#include <string>

#include "common/messages.h"
#include "resources/resource_ids.h"
#include "tools/launcher_check/finding_wording.h"

namespace {

constexpr std::array<std::uint8_t, 8> kCompoundFileSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr char kContentTypesEntry[] = "[Content_Types].xml";

Finding Missing(const resource_ids::ResourceId& resource, const char* generations) {
  return ResourceFinding(resource, std::nullopt, Verdict::kError,
                         std::string("missing: ") + generations + " would get " +
                             MessageLabel(messages::Number::kLoaderAddinNotExtracted) + ", " +
                             Quoted(messages::kLoaderAddinNotExtracted));
}

bool HoldsEntryNamed(ZipReader& zip, const std::string& name) {
  ZipEntryInfo info;
  for (std::int32_t index = 0; GetZipEntry(zip, index, info) == zip_status::kOk; ++index) {
    if (info.name == name) return true;
  }
  return false;
}

}  // namespace

Finding CheckAddinXlam(const std::optional<Bytes>& xlam, ScratchWorld& world) {
  const auto& resource = resource_ids::kAddinXlam;
  if (!xlam) return Missing(resource, "Excel 12 and later");
  const bool startsAsZip = xlam->size() >= 2 && (*xlam)[0] == 'P' && (*xlam)[1] == 'K';
  ZipHandle zip = startsAsZip ? world.OpenArchive(*xlam) : nullptr;
  if (!zip) {
    return ResourceFinding(resource, xlam, Verdict::kError,
                           "not a ZIP archive: Excel 12 and later cannot open it as an Office Open XML add-in");
  }
  const bool packaged = HoldsEntryNamed(*zip, kContentTypesEntry);
  CloseZip(std::move(zip));
  if (!packaged) {
    return ResourceFinding(
        resource, xlam, Verdict::kError,
        std::string("a ZIP archive without ") + kContentTypesEntry + ": not an Office Open XML package");
  }
  return ResourceFinding(resource, xlam, Verdict::kOk, "Office Open XML package, for Excel 12 and later");
}

Finding CheckAddinXla(const std::optional<Bytes>& xla) {
  const auto& resource = resource_ids::kAddinXla;
  if (!xla) return Missing(resource, "Excel below 12");
  if (xla->size() < kCompoundFileSignature.size() ||
      !std::ranges::equal(xla->first(kCompoundFileSignature.size()), kCompoundFileSignature)) {
    return ResourceFinding(resource, xla, Verdict::kError, "not an OLE2 compound file: Excel below 12 cannot open it");
  }
  return ResourceFinding(resource, xla, Verdict::kOk, "OLE2 compound file, for Excel below 12");
}
