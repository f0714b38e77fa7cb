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

// 1: the registered runtime module is older than this executable needs.
std::string RuntimeTooOld();
// 2: the workbook path could not be formed.
std::string WorkbookPathFailed(std::string_view workbookPath);
// 3
inline constexpr char kRegistryCleanupFailed[] =
    "Data can not be removed from Registry.";
// 4
inline constexpr char kNoApplicationDataFolder[] =
    "Sheltra was unable to locate Application Data folder.";
// 5
inline constexpr char kRuntimeMissing[] =
    "Sheltra Runtime can not be found in executable.";
// 6
std::string RuntimeNotInstalled(std::string_view runtimePath);
// 7
inline constexpr char kHelpFileNameMissing[] =
    "File name for Help File is missed.";
// 8
std::string HelpFileNotCreated(std::string_view helpFilePath);
// 15: the CHM resource is not well-formed help data.
inline constexpr char kHelpDataNotLoaded[] =
    "Data for Help file can not be loaded.";
// 9: Excel is not registered and the workbook is an Office Open XML file.
std::string ExcelTooOldForWorkbook();
// 10: Excel is not registered, any other workbook.
std::string ExcelMissing();
// 11: Excel could not be created for another reason.
std::string ExcelLaunchFailed(std::uint32_t failureCode);
// 12
inline constexpr char kLoaderAddinNotExtracted[] =
    "Loaded addin can not be extracted from the executable.";
// 13
std::string LoaderAddinNotOpened(std::string_view addinPath);
// 14
inline constexpr char kSetupMacroFailed[] = "Macro can not be executed";

}  // namespace messages
