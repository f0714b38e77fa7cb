#include "common/messages.h"

namespace messages {

namespace {
std::string Joined(std::initializer_list<std::string_view> pieces) {
  std::string text;
  for (std::string_view piece : pieces) text += piece;
  return text;
}
}  // namespace

std::string RuntimeTooOld() {
  return Joined({"This file was compiled with newer version of Sheltra Runtime "
                 "than installed on your PC.\n",
                 "Please, install the most recent version of Sheltra Runtime, "
                 "which can be downloaded from our website",
                 " ", kRuntimeDownloadAddress});
}

std::string WorkbookPathFailed(std::string_view workbookPath) {
  return Joined({"File '", workbookPath, "' can not be created.\n",
                 "Please, check that another instance of this application is "
                 "not running"});
}

std::string RuntimeNotInstalled(std::string_view runtimePath) {
  return Joined({"Sheltra was unable to install Runtime to the following "
                 "location:\n",
                 runtimePath});
}

std::string HelpFileNotCreated(std::string_view helpFilePath) {
  return Joined({"Help File '", helpFilePath, "' can not be created."});
}

std::string ExcelTooOldForWorkbook() {
  return Joined({"This file requires Microsoft Excel 2007 or higher to be "
                 "installed on your PC.\n",
                 "Microsoft Excel installed on your PC can't open this "
                 "document."});
}

std::string ExcelMissing() {
  return Joined({"This file requires Microsoft Excel to be installed on your "
                 "PC.\n",
                 "Possible, you doesn't have Microsoft Excel installed or your "
                 "user account doesn't have enough rights to run Excel "
                 "application."});
}

std::string ExcelLaunchFailed(std::uint32_t failureCode) {
  // Exactly eight upper-case digits, formatted here rather than by a
  // printf whose floating-point support the executable would carry too.
  constexpr char kDigits[] = "0123456789ABCDEF";
  char code[8];
  for (int digit = 7; digit >= 0; --digit) {
    code[digit] = kDigits[failureCode & 0xF];
    failureCode >>= 4;
  }
  return Joined({"Sheltra was unable to launch Excel application. Error code: "
                 "0x",
                 std::string_view(code, sizeof code)});
}

std::string LoaderAddinNotOpened(std::string_view addinPath) {
  return Joined({"Addin '", addinPath, "' can not be opened."});
}

}  // namespace messages
