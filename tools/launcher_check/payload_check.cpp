#include "tools/launcher_check/payload_check.h"

#include <algorithm>
#include <optional>
#include <string>

#include "pe/pe_image.h"
#include "pe/pe_resource_reader.h"
#include "resources/resource_ids.h"
#include "tools/launcher_check/addin_checks.h"
#include "tools/launcher_check/launcher_image.h"
#include "tools/launcher_check/record_checks.h"
#include "tools/launcher_check/runtime_check.h"

namespace {

// Resources the launcher carries for others and never reads itself: only
// their presence can be checked.
struct CarriedResource {
  const char* role;
  resource_ids::ResourceId resource;
  const char* reader;
};

constexpr CarriedResource kCarried[] = {
    {"ICON", {101, "#14"}, "the Windows shell"},
    {"LDR", resource_ids::kLoader, "the runtime module"},
    {"XLS", resource_ids::kWorkbook, "the runtime module"},
    {"DIALOG", {108, "#5"}, "the runtime module"},
    {"BITMAP", {109, "#2"}, "the runtime module"},
    {"UPDATER", resource_ids::kUpdater, "the runtime module"},
    {"UPDATE_DATA", resource_ids::kUpdateData, "the runtime module"},
};

constexpr resource_ids::ResourceId kManifest{1, "#24"};

Finding CheckCarried(const CarriedResource& carried, const std::optional<std::vector<std::uint8_t>>& bytes) {
  Finding finding{carried.role, carried.resource.id, std::nullopt, Verdict::kWarning,
                  std::string("missing: ") + carried.reader + " reads it"};
  if (bytes) {
    finding.size = bytes->size();
    finding.verdict = Verdict::kOk;
    finding.why = std::string("present, for ") + carried.reader;
  }
  return finding;
}

}  // namespace

ContractReport CheckLauncher(Bytes image, const CheckOptions& options) {
  const std::optional<pe::PeImage> headers = pe::PeImage::Open(image);
  if (!headers) return {{"EXECUTABLE", std::nullopt, image.size(), Verdict::kError, "not a PE image"}};

  const auto resource = [&](const resource_ids::ResourceId& id) { return pe::FindPeResource(image, id.type, id.id); };
  // File names are read in the code page the launcher's process will have.
  const auto manifest = resource(kManifest);
  const bool utf8Process =
      manifest && DeclaresUtf8CodePage({reinterpret_cast<const char*>(manifest->data()), manifest->size()});
  ScratchWorld world(options.codePage, utf8Process);
  if (!world.Ready()) {
    return {{"EXECUTABLE", std::nullopt, image.size(), Verdict::kError, "no scratch folder for the ZIP reader"}};
  }
  // The resources the checks below read, kept alive while they look at them.
  const auto runtime = resource(resource_ids::kRuntime);
  const auto splash = resource(resource_ids::kSplash);
  const auto splashData = resource(resource_ids::kSplashData);
  const auto extension = resource(resource_ids::kExtension);
  const auto helpData = resource(resource_ids::kHelpData);
  const auto xlam = resource(resource_ids::kAddinXlam);
  const auto xla = resource(resource_ids::kAddinXla);
  const auto view = [](const std::optional<std::vector<std::uint8_t>>& bytes) {
    return bytes ? std::optional<Bytes>(*bytes) : std::nullopt;
  };

  // The runtime module runs in the launcher's process, so it is held to the
  // launcher's own edition; to the one asked for when the launcher is neither.
  const std::optional<ImageFormat> edition = EditionOf(*headers);
  const ImageFormat moduleFormat = edition.value_or(options.format.value_or(kPe32I386));
  ContractReport report = {CheckImage(*headers, image.size(), options.format), CheckImports(*headers),
                           CheckManifest(manifest), CheckSignature(image, *headers)};
  ContractReport resources = {
      CheckRuntime(view(runtime), moduleFormat, world),
      CheckSplash(view(splash)),
      CheckExtension(view(extension)),
      CheckSplashData(view(splashData), view(splash)),
      CheckHelpData(view(helpData)),
      CheckAddinXlam(view(xlam), world),
      CheckAddinXla(view(xla)),
  };
  for (const CarriedResource& carried : kCarried) resources.push_back(CheckCarried(carried, resource(carried.resource)));
  std::ranges::stable_sort(resources, {}, [](const Finding& finding) { return finding.id.value_or(0); });
  report.insert(report.end(), resources.begin(), resources.end());
  return report;
}
