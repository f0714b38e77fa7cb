// launcher-check [--json] [--format PE32|PE32+] [--code-page <n>] <launcher.exe>
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
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/console/console_output.h"
#include "tools/launcher_check/payload_check.h"
#include "tools/launcher_check/report_output.h"

namespace {

constexpr int kKept = 0;
constexpr int kBroken = 1;
constexpr int kUsage = 2;
// Beyond any launcher; a larger file is not read into memory.
constexpr std::size_t kMaxLauncherSize = 1u << 30;
constexpr std::size_t kReadChunk = 1u << 16;

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

// The whole file, read to its end without an error, of at most
// kMaxLauncherSize bytes.
std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::vector<char> chunk(kReadChunk);
  while (file.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || file.gcount() > 0) {
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + file.gcount());
    if (bytes.size() > kMaxLauncherSize) return std::nullopt;
  }
  if (file.bad()) return std::nullopt;
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  WriteConsoleOutputAsIs();
  const std::optional<Arguments> arguments = Parse(argc, argv);
  if (!arguments) {
    std::cerr << "usage: launcher-check [--json] [--format PE32|PE32+] [--code-page 1252|932|936|949|950] "
                 "<launcher.exe>\n";
    return kUsage;
  }
  const std::optional<std::vector<std::uint8_t>> image = ReadFile(arguments->file);
  if (!image) {
    std::cerr << "launcher-check: " << arguments->file << ": not a readable file of at most 1 GiB\n";
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
