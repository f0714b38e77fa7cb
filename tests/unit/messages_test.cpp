#include "common/messages.h"

#include <gtest/gtest.h>

namespace {

TEST(Messages, ComposedTextsAreExact) {
  EXPECT_EQ(messages::RuntimeTooOld(),
            "This file was compiled with newer version of Sheltra Runtime than "
            "installed on your PC.\nPlease, install the most recent version of "
            "Sheltra Runtime, which can be downloaded from our website "
            "https://www.quorvane.com/sheltra/runtime");
  EXPECT_EQ(messages::WorkbookPathFailed(""),
            "File '' can not be created.\nPlease, check that another instance "
            "of this application is not running");
  EXPECT_EQ(messages::RuntimeNotInstalled(
                "C:\\Users\\u\\AppData\\Local\\Quorvane\\SheltraRuntime.dll"),
            "Sheltra was unable to install Runtime to the following location:\n"
            "C:\\Users\\u\\AppData\\Local\\Quorvane\\SheltraRuntime.dll");
  EXPECT_EQ(messages::HelpFileNotCreated("C:\\Temp\\Guide.chm"),
            "Help File 'C:\\Temp\\Guide.chm' can not be created.");
  EXPECT_EQ(messages::ExcelTooOldForWorkbook(),
            "This file requires Microsoft Excel 2007 or higher to be installed "
            "on your PC.\nMicrosoft Excel installed on your PC can't open this "
            "document.");
  EXPECT_EQ(messages::ExcelMissing(),
            "This file requires Microsoft Excel to be installed on your PC.\n"
            "Possible, you doesn't have Microsoft Excel installed or your user "
            "account doesn't have enough rights to run Excel application.");
  EXPECT_EQ(messages::LoaderAddinNotOpened("C:\\Q\\shLdr.xlam"),
            "Addin 'C:\\Q\\shLdr.xlam' can not be opened.");
}

TEST(Messages, MalformedHelpDataTextIsExact) {
  EXPECT_STREQ(messages::kHelpDataNotLoaded,
               "Data for Help file can not be loaded.");
}

TEST(Messages, NoTextCarriesACarriageReturn) {
  for (const std::string& text :
       {messages::RuntimeTooOld(), messages::WorkbookPathFailed("x"),
        messages::RuntimeNotInstalled("x"), messages::ExcelTooOldForWorkbook(),
        messages::ExcelMissing()}) {
    EXPECT_EQ(text.find('\r'), std::string::npos) << text;
  }
}

TEST(Messages, LaunchFailureShowsEightUpperCaseHexDigits) {
  const std::string prefix =
      "Sheltra was unable to launch Excel application. Error code: 0x";
  EXPECT_EQ(messages::ExcelLaunchFailed(0x8007000E), prefix + "8007000E");
  EXPECT_EQ(messages::ExcelLaunchFailed(0x80040152), prefix + "80040152");
  EXPECT_EQ(messages::ExcelLaunchFailed(0xFFFFFFFF), prefix + "FFFFFFFF");
  EXPECT_EQ(messages::ExcelLaunchFailed(0x1A), prefix + "0000001A");
}

}  // namespace
