#include "install/product_folder.h"

#include <array>

#include "common/code_page_text.h"
#include "common/narrow_text.h"
#include "common/path_limits.h"
#include "platform/files.h"
#include "platform/modules.h"
#include "platform/text.h"

namespace {

// A folder path with its trailing backslash, or empty when it has none and
// cannot take one within the path limit.
std::string WithTrailingBackslash(std::string folder) {
  if (!folder.empty() && !EndsWithCharacter(folder, '\\')) folder += '\\';
  return FitsPathLimit(folder) ? folder : std::string();
}

}  // namespace

std::string GetShellFolderPath(int csidl) {
  // Bound at run time: the executable imports nothing from shell32.
  platform::UniqueModule shell32(
      platform::LoadModule("shell32.dll", platform::LoadAs::kSystemDll));
  if (!shell32) return {};
  // The wide query: the narrow one holds MAX_PATH bytes, not characters, so
  // in a UTF-8 process a folder of some 130 Cyrillic characters comes back
  // cut.
  using GetFolderPath = std::int32_t(PLATFORM_WINAPI*)(
      void* owner, int csidl, void* token, std::uint32_t flags, char16_t* path);
  const auto getFolderPath = platform::FindExportAs<GetFolderPath>(
      shell32.Get(), "SHGetFolderPathW");
  if (getFolderPath == nullptr) return {};

  std::array<char16_t, kMaxPathLength + 1> path{};
  // Flags 0: the folder as it is now; the query never creates it.
  if (getFolderPath(nullptr, csidl, nullptr, 0, path.data()) != 0) return {};
  const auto folder = CodePageFromWide(path.data(), platform::ProcessCodePage());
  return folder ? WithTrailingBackslash(*folder) : std::string();
}

std::string GetLocalAppDataPath() {
  return GetShellFolderPath(kCsidlLocalAppData);
}

std::string GetProgramFilesPath() {
  return GetShellFolderPath(kCsidlProgramFiles);
}

std::string GetTempFolderPath() {
  return WithTrailingBackslash(platform::TempFolder());
}

std::string EnsureProductFolder(const std::string& base) {
  const std::string folder = base + kProductFolderName;
  if (!FitsPathLimit(folder)) return {};
  // A creation that fails shows up later, as a failure to write into it.
  if (!platform::PathExists(folder)) {
    platform::CreateFolder(folder);
  }
  return folder;
}
