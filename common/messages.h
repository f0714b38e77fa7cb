#pragma once

// Every text the launcher can show its user, in one place. The texts are
// fixed English, never translated; "\n" is a single line feed.

#include <cstdint>
#include <string>
#include <string_view>

namespace messages {

inline constexpr char kTitle[] = "Sheltra";
// MB_OK | MB_ICONERROR: one OK button and the error icon.
inline constexpr std::uint32_t kStyle = 0x10;

// Where the current runtime module can be downloaded.
inline constexpr char kRuntimeDownloadAddress[] =
    "https://www.quorvane.com/sheltra/runtime";

// Each message's number, by which the vendor's documentation and
// launcher-check's findings name it.
enum class Number : int {
  kRuntimeTooOld = 1,
  kWorkbookPathFailed = 2,
  kRegistryCleanupFailed = 3,
  kNoApplicationDataFolder = 4,
  kRuntimeMissing = 5,
  kRuntimeNotInstalled = 6,
  kHelpFileNameMissing = 7,
  kHelpFileNotCreated = 8,
  kExcelTooOldForWorkbook = 9,
  kExcelMissing = 10,
  kExcelLaunchFailed = 11,
  kLoaderAddinNotExtracted = 12,
  kLoaderAddinNotOpened = 13,
  kSetupMacroFailed = 14,
  kHelpDataNotLoaded = 15,
};

// The registered runtime module is older than this executable needs.
std::string RuntimeTooOld();
// The workbook path could not be formed.
std::string WorkbookPathFailed(std::string_view workbookPath);
inline constexpr char kRegistryCleanupFailed[] =
    "Data can not be removed from Registry.";
inline constexpr char kNoApplicationDataFolder[] =
    "Sheltra was unable to locate Application Data folder.";
inline constexpr char kRuntimeMissing[] =
    "Sheltra Runtime can not be found in executable.";
std::string RuntimeNotInstalled(std::string_view runtimePath);
inline constexpr char kHelpFileNameMissing[] =
    "File name for Help File is missed.";
std::string HelpFileNotCreated(std::string_view helpFilePath);
// The CHM resource is not well-formed help data.
inline constexpr char kHelpDataNotLoaded[] =
    "Data for Help file can not be loaded.";
// Excel is not registered and the workbook is an Office Open XML file.
std::string ExcelTooOldForWorkbook();
// Excel is not registered, any other workbook.
std::string ExcelMissing();
// Excel could not be created for another reason.
std::string ExcelLaunchFailed(std::uint32_t failureCode);
inline constexpr char kLoaderAddinNotExtracted[] =
    "Loaded addin can not be extracted from the executable.";
std::string LoaderAddinNotOpened(std::string_view addinPath);
inline constexpr char kSetupMacroFailed[] = "Macro can not be executed";

}  // namespace messages
