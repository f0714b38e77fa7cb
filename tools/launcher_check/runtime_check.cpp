#include "tools/launcher_check/runtime_check.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "common/messages.h"
#include "install/runtime_contract.h"
#include "pe/pe_exports.h"
#include "pe/pe_image.h"
#include "tools/launcher_check/finding_wording.h"

namespace {

constexpr std::array<const char*, 3> kRequiredExports = {runtime_contract::kGetVersionExport,
                                                         runtime_contract::kSplashEventNameExport,
                                                         runtime_contract::kShowSplashExport};
// Far beyond any runtime module; an entry claiming more is not extracted
// onto the build machine's disk.
constexpr std::uint64_t kMaxModuleSize = 512u << 20;

// What follows at a start when the module cannot be installed from here.
std::string NotInstalled() {
  return "the launcher cannot install its runtime module (" + MessageLabel(messages::Number::kRuntimeNotInstalled) + ")";
}

// Why the extracted module is not what the launcher loads; empty when it is.
std::string ModuleFault(const std::vector<std::uint8_t>& module, const ImageFormat& format) {
  const std::optional<pe::PeImage> image = pe::PeImage::Open(module);
  if (!image) return "is not a PE image";
  if (!HasFormat(*image, format)) {
    const std::optional<ImageFormat> edition = EditionOf(*image);
    return "is " + DescribeFormat(*image) + (edition ? std::string(", a module for ") + edition->excel : "") + "; " +
           DescribeEdition(format) + ", loads only " + format.name + " modules";
  }
  if ((image->Characteristics() & pe::kCharacteristicDll) == 0) return "is a program, not a DLL";
  const std::vector<std::string> exports = pe::ListPeExportNames(*image);
  std::vector<std::string> missing;
  for (const char* name : kRequiredExports) {
    if (std::ranges::find(exports, name) == exports.end()) missing.emplace_back(name);
  }
  if (!missing.empty()) return "does not export " + Joined(missing, ", ") + " by name";
  return {};
}

}  // namespace

Finding CheckRuntime(const std::optional<Bytes>& archive, const ImageFormat& format, ScratchWorld& world) {
  Finding finding{"RUNTIME", runtime_contract::kRuntimeArchive.id, std::nullopt, Verdict::kError, {}};
  if (!archive) {
    finding.why = "missing: the launcher shows " + Quoted(messages::kRuntimeMissing);
    return finding;
  }
  finding.size = archive->size();
  ZipHandle zip = world.OpenArchive(*archive);
  if (!zip) {
    finding.why = "not a ZIP archive the launcher's reader opens: " + NotInstalled();
    return finding;
  }
  ZipEntryInfo info;
  if (const ZipStatus status = GetZipEntry(*zip, 0, info); status != zip_status::kOk) {
    finding.why = "entry 0 cannot be read, " + DescribeZipStatus(status) + ": " + NotInstalled();
    return finding;
  }
  const std::string entry = "entry 0 (" + info.name + ", " + std::to_string(info.uncompressedSize) + " bytes)";
  if (static_cast<std::uint32_t>(info.uncompressedSize) > kMaxModuleSize) {
    finding.why = entry + " is larger than any runtime module";
    return finding;
  }
  const std::string modulePath = world.NewPath();
  if (const ZipStatus status = ExtractZipEntry(*zip, 0, modulePath); status != zip_status::kOk) {
    finding.why = entry + " does not extract, " + DescribeZipStatus(status) + ": " + NotInstalled();
    return finding;
  }
  CloseZip(std::move(zip));
  const std::optional<std::vector<std::uint8_t>> module = world.ReadBack(modulePath, kMaxModuleSize);
  if (!module) {
    finding.why = entry + " extracted but cannot be read back";
    return finding;
  }
  if (const std::string fault = ModuleFault(*module, format); !fault.empty()) {
    finding.why = entry + " " + fault + ": the launcher cannot use it as its runtime module";
    return finding;
  }
  finding.verdict = Verdict::kOk;
  finding.why = entry + " extracts with status 0; " + format.name + " DLL exporting " + Joined(kRequiredExports, ", ");
  return finding;
}
