#include "tools/launcher_check/record_checks.h"

#include <algorithm>
#include <string>

#include "common/messages.h"
#include "launcher/help_data.h"
#include "resources/byte_reader.h"
#include "resources/placeholder_resource.h"
#include "resources/resource_ids.h"
#include "resources/splash_data.h"
#include "tools/launcher_check/finding_wording.h"

namespace {

bool CarriesPicture(const std::optional<Bytes>& splash) { return splash && !IsPlaceholderResource(*splash); }

std::string Seconds(std::int32_t displaySeconds) {
  return displaySeconds == 0 ? "10 s (the default)" : std::to_string(displaySeconds) + " s";
}

}  // namespace

Finding CheckExtension(const std::optional<Bytes>& extension) {
  const auto& resource = resource_ids::kExtension;
  if (!extension || extension->empty()) {
    return ResourceFinding(resource, extension, Verdict::kError, "missing: the workbook path has no extension to open");
  }
  const auto nul = std::ranges::find(*extension, std::uint8_t{0});
  if (nul == extension->end()) {
    return ResourceFinding(
        resource, extension, Verdict::kError,
        "no NUL: the launcher takes all " + std::to_string(extension->size()) + " bytes as the extension");
  }
  const std::string text(extension->begin(), nul);
  if (!text.starts_with('.')) {
    return ResourceFinding(resource, extension, Verdict::kError, Quoted(text) + " does not start with a dot");
  }
  return ResourceFinding(resource, extension, Verdict::kOk, "workbook extension " + Quoted(text));
}

Finding CheckSplash(const std::optional<Bytes>& splash) {
  const auto& resource = resource_ids::kSplash;
  if (!splash) {
    return ResourceFinding(resource, splash, Verdict::kWarning, "missing: no splash (the placeholder is \"1\")");
  }
  if (splash->empty()) return ResourceFinding(resource, splash, Verdict::kWarning, "empty: no splash");
  if (IsPlaceholderResource(*splash)) return ResourceFinding(resource, splash, Verdict::kOk, "placeholder: no splash");
  return ResourceFinding(resource, splash, Verdict::kOk, "splash picture, handed to the runtime module as it is");
}

Finding CheckSplashData(const std::optional<Bytes>& splashData, const std::optional<Bytes>& splash) {
  const auto& resource = resource_ids::kSplashData;
  // An empty record cannot be read, which the launcher takes as none.
  if (!splashData || splashData->empty()) {
    if (CarriesPicture(splash)) {
      return ResourceFinding(resource, splashData, Verdict::kWarning,
                             "missing while SPLASH carries a picture: the launcher shows no splash");
    }
    return ResourceFinding(resource, splashData, Verdict::kOk, "missing; not needed without a splash picture");
  }
  ByteReader reader(*splashData);
  SplashData settings;
  const SplashDataFormat format = ParseSplashData(reader, settings);
  const std::string decoded = "version " + std::to_string(format.version) + ", words " +
                              std::to_string(settings.parameterA) + " " + std::to_string(settings.parameterB) + " " +
                              std::to_string(settings.parameterC) + ", splash " + Seconds(settings.displaySeconds);
  if (!format.complete) {
    return ResourceFinding(resource, splashData, Verdict::kWarning,
                           "cut short for its version: the fields it lacks keep their defaults (" + decoded + ")");
  }
  return ResourceFinding(resource, splashData, Verdict::kOk, decoded);
}

Finding CheckHelpData(const std::optional<Bytes>& helpData) {
  const auto& resource = resource_ids::kHelpData;
  if (!helpData) {
    return ResourceFinding(resource, helpData, Verdict::kWarning, "missing: no help file (the placeholder is \"1\")");
  }
  if (IsPlaceholderResource(*helpData)) {
    return ResourceFinding(resource, helpData, Verdict::kOk, "placeholder: no help file");
  }
  const std::optional<HelpData> help = ParseHelpData(*helpData);
  if (!help) {
    return ResourceFinding(resource, helpData, Verdict::kError,
                           "help data cut short: the launcher shows " + Quoted(messages::kHelpDataNotLoaded));
  }
  if (help->name.empty()) {
    return ResourceFinding(resource, helpData, Verdict::kError,
                           "no help-file name: the launcher shows " + Quoted(messages::kHelpFileNameMissing));
  }
  const std::optional<std::string> name = HelpFileNameForProcess(help->name);
  if (!name) {
    return ResourceFinding(resource, helpData, Verdict::kError,
                           "help-file name " + Quoted(help->name) +
                               " cannot be read in the users' code page: the launcher writes no help file and shows " +
                               MessageLabel(messages::Number::kHelpFileNotCreated));
  }
  if (!IsPlainFileName(*name)) {
    return ResourceFinding(resource, helpData, Verdict::kError,
                           "help-file name " + Quoted(*name) +
                               " is not a plain file name: the launcher writes no help file and shows " +
                               MessageLabel(messages::Number::kHelpFileNotCreated));
  }
  return ResourceFinding(resource, helpData, Verdict::kOk,
                         "help file " + Quoted(*name) + " of " + std::to_string(help->content.size()) + " bytes");
}
