// launcher-check [--json] [--format PE32|PE32+] [--code-page <n>] <launcher.exe>
//
// The launcher's edition is read from its headers; --format makes one
// edition a finding of its own, as a build that means to make it asks.
//
// Checks a built launcher against what the launcher and its runtime module
// rely on, one finding per resource. Exit status 0 when nothing breaks the
// contract (warnings do not), 1 when something does, 2 when the command
// line is wrong or the file cannot be read.
//
// The file is named by the narrow command line and opened by that name, on
// Windows in the process's ANSI code page: UTF-8 by the program's manifest
// on Windows 10 1903 and later, where any name can be checked; on earlier
// Windows only names the system's code page holds (the wide command line is
// not read).

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/console/console_output.h"
#include "tools/launcher_check/contract_report.h"
#include "tools/launcher_check/file_bytes.h"
#include "tools/launcher_check/payload_check.h"
#include "tools/launcher_check/scratch_world.h"

namespace {

constexpr int kKept = 0;
constexpr int kBroken = 1;
constexpr int kUsage = 2;

struct Arguments {
  bool json = false;
  CheckOptions options;
  std::string file;
};

std::optional<Arguments> Parse(int argc, char** argv) {
  Arguments arguments;
  for (int index = 1; index < argc; ++index) {
    const std::string_view argument = argv[index];
    const bool hasValue = index + 1 < argc;
    if (argument == "--json") {
      arguments.json = true;
    } else if (argument == "--format" && hasValue) {
      const std::optional<ImageFormat> format = ImageFormatNamed(argv[++index]);
      if (!format) return std::nullopt;
      arguments.options.format = *format;
    } else if (argument == "--code-page" && hasValue) {
      const int codePage = std::atoi(argv[++index]);
      if (!LeadBytesOfCodePage(codePage)) return std::nullopt;
      arguments.options.codePage = codePage;
    } else if (argument.starts_with("-") || !arguments.file.empty()) {
      return std::nullopt;
    } else {
      arguments.file = argument;
    }
  }
  if (arguments.file.empty()) return std::nullopt;
  return arguments;
}

}  // namespace

int main(int argc, char** argv) {
  WriteConsoleOutputAsIs();
  const std::optional<Arguments> arguments = Parse(argc, argv);
  if (!arguments) {
    std::cerr << "usage: launcher-check [--json] [--format PE32|PE32+] [--code-page " << KnownCodePages()
              << "] <launcher.exe>\n";
    return kUsage;
  }
  const std::optional<std::vector<std::uint8_t>> image = ReadFileBytes(arguments->file);
  if (!image) {
    std::cerr << "launcher-check: " << arguments->file << ": " << kUnreadableToolInput << "\n";
    return kUsage;
  }
  const ContractReport report = CheckLauncher(*image, arguments->options);
  if (arguments->json) {
    PrintJson(report, arguments->file, std::cout);
  } else {
    PrintText(report, arguments->file, std::cout);
  }
  return BreaksContract(report) ? kBroken : kKept;
}
