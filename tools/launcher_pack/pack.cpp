#include "tools/launcher_pack/pack.h"

#include <algorithm>

#include "pe/pe_resource_writer.h"
#include "tools/launcher_check/launcher_image.h"
#include "tools/launcher_check/payload_check.h"
#include "tools/launcher_pack/launcher_stub.h"
#include "tools/launcher_pack/manifest_code_page.h"

namespace {

bool IsManifest(const pe::Resource& resource) {
  return resource.type == pe::ResourceName{pe::resource_type::kManifest};
}

PackResult Refused(std::string fault) { return {{}, {}, {}, std::move(fault)}; }

}  // namespace

PackResult Pack(pe::Bytes stubImage, const std::string& stubName, const PackOptions& options) {
  StubReading reading = ReadLauncherStub(stubImage);
  if (!reading.stub) return Refused(stubName + " " + reading.fault);
  LauncherStub& stub = *reading.stub;
  PayloadResources payload = ReadPayload(options.payload);
  if (!payload.fault.empty()) return Refused(payload.fault);

  // The launcher keeps the stub's manifest resource, under its id and
  // language, with the payload's text when the payload brings one.
  const auto manifest = std::ranges::find_if(stub.resources, IsManifest);
  if (payload.manifest) manifest->data = std::move(*payload.manifest);
  const std::string_view text(reinterpret_cast<const char*>(manifest->data.data()), manifest->data.size());
  if (!DeclaresAsInvoker(text)) {
    return Refused("the manifest does not declare requestedExecutionLevel asInvoker: Windows may run the launcher "
                   "elevated (a name holding setup, install or update); keep the stub's or add that element");
  }
  if (options.systemCodePage) {
    const std::optional<std::string> withoutUtf8 = WithoutUtf8CodePage(text);
    if (!withoutUtf8) {
      return Refused("the manifest declares the UTF-8 code page in a form launcher-pack does not take apart; give a "
                     "manifest without activeCodePage instead of --ansi-code-page system");
    }
    manifest->data.assign(withoutUtf8->begin(), withoutUtf8->end());
  }

  std::vector<pe::Resource> resources = std::move(stub.resources);
  resources.insert(resources.end(), std::make_move_iterator(payload.resources.begin()),
                   std::make_move_iterator(payload.resources.end()));
  pe::ImageWithResources packed = pe::WithResourceTable(stubImage, resources);
  if (packed.image.empty()) return Refused(stubName + " " + packed.refusal);

  PackResult result{std::move(packed.image), std::move(payload.inputs), {}, {}};
  if (!options.check) return result;
  result.report = CheckLauncher(result.launcher, {stub.edition, options.codePage});
  if (BreaksContract(result.report)) {
    result.launcher.clear();
    result.fault = "the payload breaks what the launcher or its runtime module relies on (the lines marked error)";
  }
  return result;
}
