#include "common/messages.h"

#include <cstdio>

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
  // An explicit 32-bit value into exactly eight upper-case digits: a length
  // modifier such as "%LX" is not portable across C libraries.
  char code[9];
  std::snprintf(code, sizeof code, "%08lX",
                static_cast<unsigned long>(failureCode));
  return Joined({"Sheltra was unable to launch Excel application. Error code: "
                 "0x",
                 code});
}

std::string LoaderAddinNotOpened(std::string_view addinPath) {
  return Joined({"Addin '", addinPath, "' can not be opened."});
}

}  // namespace messages
