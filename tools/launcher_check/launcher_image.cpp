#include "tools/launcher_check/launcher_image.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "ascii/ascii_case.h"
#include "pe/pe_imports.h"
#include "pe/pe_signature.h"
#include "tools/launcher_check/finding_wording.h"

namespace {

// Known DLLs: Windows loads them from its system folder whatever folder the
// launcher is started from.
constexpr std::array<std::string_view, 6> kAllowedImports = {"KERNEL32.dll", "USER32.dll",  "ole32.dll",
                                                             "OLEAUT32.dll", "msvcrt.dll", "SHLWAPI.dll"};
// Bound at run time from the system folder, so the executable starts even
// where their exports differ.
constexpr std::array<std::string_view, 2> kRunTimeBoundDlls = {"advapi32.dll", "shell32.dll"};

bool IsOneOf(std::string_view dll, std::span<const std::string_view> names) {
  return std::ranges::any_of(names, [&](std::string_view name) { return EqualsIgnoringAsciiCase(dll, name); });
}

Finding Judged(Finding finding, Verdict verdict, std::string why) {
  finding.verdict = verdict;
  finding.why = std::move(why);
  return finding;
}

Finding Failed(Finding finding, std::string why) { return Judged(std::move(finding), Verdict::kError, std::move(why)); }
Finding Passed(Finding finding, std::string why) { return Judged(std::move(finding), Verdict::kOk, std::move(why)); }

// The start tags of the elements named `name` in any namespace prefix, each
// as its attributes (after the name, up to its ">") and the text after it.
// A tag left open ends the list: it counts as none.
struct StartTag {
  std::string_view attributes;
  std::string_view textAfter;
};

std::vector<StartTag> StartTagsNamed(std::string_view manifest, std::string_view name) {
  std::vector<StartTag> tags;
  for (std::size_t at = manifest.find(name); at != std::string_view::npos; at = manifest.find(name, at + name.size())) {
    // The element's name follows "<" or a namespace prefix's ":".
    if (at == 0 || (manifest[at - 1] != '<' && manifest[at - 1] != ':')) continue;
    const std::size_t end = manifest.find('>', at);
    if (end == std::string_view::npos) break;
    tags.push_back({manifest.substr(at + name.size(), end - at - name.size()), manifest.substr(end + 1)});
  }
  return tags;
}

}  // namespace

std::optional<ImageFormat> ImageFormatNamed(std::string_view name) {
  if (name == "PE32") return kPe32I386;
  if (name == "PE32+") return kPe32PlusAmd64;
  return std::nullopt;
}

bool HasFormat(const pe::PeImage& image, const ImageFormat& format) {
  return image.Magic() == format.magic && image.Machine() == format.machine;
}

std::optional<ImageFormat> EditionOf(const pe::PeImage& image) {
  for (const ImageFormat& format : {kPe32I386, kPe32PlusAmd64}) {
    if (HasFormat(image, format)) return format;
  }
  return std::nullopt;
}

std::string DescribeFormat(const pe::PeImage& image) {
  std::string text = image.Magic() == pe::kPe32Magic ? "PE32" : "PE32+";
  if (image.Machine() == pe::kMachineI386) return text + " i386";
  if (image.Machine() == pe::kMachineAmd64) return text + " x86-64";
  char machine[16];
  std::snprintf(machine, sizeof machine, "0x%x", image.Machine());
  return text + " machine " + machine;
}

std::string DescribeEdition(const ImageFormat& format) {
  return std::string("the ") + format.edition + " edition, for " + format.excel;
}

Finding CheckImage(const pe::PeImage& image, std::uint64_t fileSize, const std::optional<ImageFormat>& expected) {
  const Finding finding{"EXECUTABLE", std::nullopt, fileSize, Verdict::kOk, {}};
  const std::string described = DescribeFormat(image);
  const std::optional<ImageFormat> edition = EditionOf(image);
  if (!edition) {
    return Failed(finding, described + ": neither " + kPe32I386.name + " nor " + kPe32PlusAmd64.name +
                               ", the formats of the launcher's two editions");
  }
  if (expected && !HasFormat(image, *expected)) {
    return Failed(finding, described + ", not " + expected->name + ": " + DescribeEdition(*edition) + ", not " +
                               DescribeEdition(*expected));
  }
  if ((image.Characteristics() & pe::kCharacteristicDll) != 0) return Failed(finding, described + " DLL, not a program");
  if (image.Subsystem() != pe::kSubsystemWindowsGui) {
    return Failed(finding, described + " program of subsystem " + std::to_string(image.Subsystem()) +
                               ", not a Windows GUI program: a console would open beside Excel");
  }
  return Passed(finding, described + " Windows GUI program: " + DescribeEdition(*edition));
}

Finding CheckImports(const pe::PeImage& image) {
  const Finding finding{"IMPORTS", std::nullopt, std::nullopt, Verdict::kOk, {}};
  const pe::PeImports imports = pe::ListPeImports(image);
  if (!imports.complete) return Failed(finding, "the import table cannot be read to its end");
  if (imports.dlls.empty()) return Failed(finding, "no import table: not a program the mingw-w64 build makes");
  for (const std::string& dll : imports.dlls) {
    if (IsOneOf(dll, kRunTimeBoundDlls)) {
      return Failed(finding, "imports " + dll + " directly: it must be bound at run time");
    }
    if (!IsOneOf(dll, kAllowedImports)) {
      return Failed(finding, "imports " + dll + ", which is not a system DLL the launcher may import");
    }
  }
  return Passed(finding, "system DLLs only: " + Joined(imports.dlls, " "));
}

bool DeclaresAsInvoker(std::string_view manifest) {
  return std::ranges::any_of(StartTagsNamed(manifest, "requestedExecutionLevel"), [](const StartTag& tag) {
    return tag.attributes.find("level=\"asInvoker\"") != std::string_view::npos ||
           tag.attributes.find("level='asInvoker'") != std::string_view::npos;
  });
}

bool DeclaresUtf8CodePage(std::string_view manifest) {
  return std::ranges::any_of(StartTagsNamed(manifest, "activeCodePage"), [](const StartTag& tag) {
    return tag.textAfter.starts_with("UTF-8<") || tag.textAfter.starts_with("utf-8<");
  });
}

Finding CheckSignature(pe::Bytes image, const pe::PeImage& headers) {
  const pe::SignatureFacts facts = pe::ReadSignature(image, headers);
  Finding finding{"SIGNATURE", std::nullopt, std::nullopt, Verdict::kOk, {}};
  using State = pe::SignatureFacts::State;
  if (facts.state == State::kUnsigned) return Passed(finding, "not signed");
  finding.size = facts.tableSize;
  if (facts.state == State::kDamaged) return Failed(finding, "certificate table damaged: " + facts.damage);
  return Passed(finding, "Authenticode signature by " + Quoted(facts.signer) + ", issued by " + Quoted(facts.issuer));
}

Finding CheckManifest(const std::optional<std::vector<std::uint8_t>>& manifest) {
  Finding finding{"MANIFEST", 1, std::nullopt, Verdict::kOk, {}};
  if (!manifest) {
    return Failed(finding, "missing: Windows may run the launcher elevated (a name holding setup, install or update)");
  }
  finding.size = manifest->size();
  const std::string text(manifest->begin(), manifest->end());
  if (!DeclaresAsInvoker(text)) {
    return Failed(finding, "does not declare requestedExecutionLevel asInvoker: Windows may run the launcher elevated");
  }
  return Passed(finding, std::string("requestedExecutionLevel asInvoker; ANSI code page ") +
                             (DeclaresUtf8CodePage(text) ? "UTF-8" : "of the system"));
}
