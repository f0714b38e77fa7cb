// launcher-pack --stub <stub.exe> --payload <folder> [--<role> <file>|NONE]...
//               [--ansi-code-page utf-8|system] [--code-page <n>]
//               [--sign-cert <pem> --sign-key <pem> [--timestamp-url <url>]
//                [--signer <program>]]
//               [--depfile <file>] [--unchecked] --output <launcher.exe>
//
// Makes a launcher from a prebuilt stub and a payload: the payload's files
// become the launcher's resources, launcher-check's rules judge the result,
// and it is signed when a certificate and key are given. The launcher is
// written whole or not at all. Of launcher-check's report it prints every
// line when the payload is refused, else the warnings (launcher-check prints
// the whole of a made launcher's). Exit status 0 when it was made, 1 when
// the stub, the payload, the signing or the output refused, 2 when the
// command line is wrong.
//
// The usage lists the roles, each an option named after it ("--splash-data"
// for SPLASH_DATA) with its resource id and its file in a payload folder.

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "tools/console/console_output.h"
#include "tools/launcher_check/contract_report.h"
#include "tools/launcher_check/file_bytes.h"
#include "tools/launcher_check/scratch_world.h"
#include "tools/launcher_pack/code_signing.h"
#include "tools/launcher_pack/output_file.h"
#include "tools/launcher_pack/pack.h"
#include "tools/launcher_pack/payload_roles.h"

namespace {

constexpr int kMade = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;

struct Arguments {
  std::filesystem::path stub;
  std::filesystem::path output;
  std::filesystem::path depfile;
  PackOptions pack;
  std::optional<SigningRequest> signing;
};

// "--splash-data" for the role SPLASH_DATA, and back.
std::string OptionOfRole(std::string_view role) {
  std::string option = "--";
  for (const char c : role) option.push_back(c == '_' ? '-' : static_cast<char>(std::tolower(c)));
  return option;
}

std::optional<std::string> RoleOfOption(std::string_view option) {
  if (!option.starts_with("--")) return std::nullopt;
  std::string role;
  for (const char c : option.substr(2)) role.push_back(c == '-' ? '_' : static_cast<char>(std::toupper(c)));
  if (!PayloadRoleNamed(role)) return std::nullopt;
  return role;
}

SigningRequest& Signing(Arguments& arguments) {
  if (!arguments.signing) arguments.signing.emplace();
  return *arguments.signing;
}

std::optional<Arguments> Parse(int argc, char** argv) {
  Arguments arguments;
  for (int index = 1; index < argc; ++index) {
    const std::string_view option = argv[index];
    if (option == "--unchecked") {
      arguments.pack.check = false;
      continue;
    }
    if (index + 1 >= argc) return std::nullopt;
    const std::string value = argv[++index];
    if (option == "--stub") {
      arguments.stub = value;
    } else if (option == "--payload") {
      arguments.pack.payload.folder = value;
    } else if (option == "--output") {
      arguments.output = value;
    } else if (option == "--depfile") {
      arguments.depfile = value;
    } else if (option == "--ansi-code-page" && (value == "utf-8" || value == "system")) {
      arguments.pack.systemCodePage = value == "system";
    } else if (option == "--code-page" && LeadBytesOfCodePage(std::atoi(value.c_str()))) {
      arguments.pack.codePage = std::atoi(value.c_str());
    } else if (option == "--sign-cert") {
      Signing(arguments).certificate = value;
    } else if (option == "--sign-key") {
      Signing(arguments).key = value;
    } else if (option == "--timestamp-url") {
      Signing(arguments).timestampUrl = value;
    } else if (option == "--signer") {
      Signing(arguments).signer = value;
    } else if (const std::optional<std::string> role = RoleOfOption(option)) {
      arguments.pack.payload.files[*role] = value;
    } else {
      return std::nullopt;
    }
  }
  const bool signingWhole = !arguments.signing || (!arguments.signing->certificate.empty() && !arguments.signing->key.empty());
  if (arguments.stub.empty() || arguments.output.empty() || !signingWhole) return std::nullopt;
  if (arguments.pack.payload.folder.empty() && arguments.pack.payload.files.empty()) return std::nullopt;
  return arguments;
}

// The files a build must make the launcher again for, as make and ninja read
// them: "<output>: <input> ...", spaces escaped.
void WriteDepfile(const Arguments& arguments, const std::vector<std::filesystem::path>& inputs) {
  const auto escaped = [](const std::filesystem::path& path) {
    std::string text;
    for (const char c : path.generic_string()) {
      if (c == ' ' || c == '#') text.push_back('\\');
      text.push_back(c);
    }
    return text;
  };
  std::ofstream depfile(arguments.depfile, std::ios::trunc);
  depfile << escaped(arguments.output) << ":";
  depfile << " " << escaped(arguments.stub);
  for (const std::filesystem::path& input : inputs) depfile << " \\\n  " << escaped(input);
  depfile << "\n";
}

int Refuse(const Arguments& arguments, const std::string& why) {
  std::cerr << "launcher-pack: " << why << "; nothing written to " << arguments.output.string() << "\n";
  return kRefused;
}

// Writes the launcher, signed when asked, in its place whole.
int Write(const Arguments& arguments, const std::vector<std::uint8_t>& launcher) {
  std::string error;
  if (!arguments.signing) {
    return WriteWholeFile(arguments.output, launcher, error) ? kMade : Refuse(arguments, error);
  }
  const std::filesystem::path unsignedImage = BesideFile(arguments.output, "unsigned");
  const std::filesystem::path signedImage = BesideFile(arguments.output, "signed");
  const bool made = WriteWholeFile(unsignedImage, launcher, error) &&
                    SignImage(*arguments.signing, unsignedImage, signedImage, error) &&
                    (MarkRunnable(signedImage), RenameOver(signedImage, arguments.output, error));
  RemoveIfPresent(unsignedImage);
  RemoveIfPresent(signedImage);
  return made ? kMade : Refuse(arguments, error);
}

}  // namespace

int main(int argc, char** argv) {
  WriteConsoleOutputAsIs();
  const std::optional<Arguments> arguments = Parse(argc, argv);
  if (!arguments) {
    std::cerr << "usage: launcher-pack --stub <stub.exe> --payload <folder> [--<role> <file>|NONE]...\n"
              << "         [--ansi-code-page utf-8|system] [--code-page " << KnownCodePages() << "]\n"
              << "         [--sign-cert <pem> --sign-key <pem> [--timestamp-url <url>] [--signer <program>]]\n"
                 "         [--depfile <file>] [--unchecked] --output <launcher.exe>\n"
                 "roles (option, resource id, file in the payload folder):\n";
    for (const PayloadRole& role : PayloadRoles()) {
      std::cerr << "  " << OptionOfRole(role.role) << " " << role.id << " "
                << (role.defaultFile.empty() ? "(the stub's own)" : role.defaultFile) << "\n";
    }
    return kUsage;
  }
  const std::optional<std::vector<std::uint8_t>> stub = ReadFileBytes(arguments->stub);
  if (!stub) return Refuse(*arguments, arguments->stub.string() + " is " + kUnreadableToolInput);
  const PackResult packed = Pack(*stub, arguments->stub.string(), arguments->pack);
  // A refused launcher's whole report; of a made one, what it lacks.
  ContractReport shown = packed.report;
  if (packed.fault.empty()) std::erase_if(shown, [](const Finding& finding) { return finding.verdict == Verdict::kOk; });
  if (!packed.report.empty()) PrintText(shown, arguments->output.string(), std::cout);
  if (!packed.fault.empty()) return Refuse(*arguments, packed.fault);
  const int status = Write(*arguments, packed.launcher);
  if (status == kMade && !arguments->depfile.empty()) WriteDepfile(*arguments, packed.inputs);
  return status;
}
