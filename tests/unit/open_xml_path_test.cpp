#include "automation/open_xml_path.h"

#include <gtest/gtest.h>

namespace {

TEST(OpenXmlPath, OpenXmlExtensionsCountInAnyAsciiCase) {
  for (const char* path : {"C:\\Tools\\Budget.xlsb", "C:\\Tools\\Budget.XLSX",
                           "C:\\a\\b.Xlsm", "C:\\a\\b.xltx", "C:\\a\\b.XLTM",
                           "b.xlsx", "C:b.xlsx", "C:\\a/b.xlsx"}) {
    EXPECT_TRUE(IsOpenXmlWorkbookPath(path)) << path;
  }
}

TEST(OpenXmlPath, OtherExtensionsAndLookAlikesDoNot) {
  for (const char* path :
       {"C:\\Tools\\Budget.xls", "C:\\Tools\\Budget.xlam", "C:\\Tools\\Budget",
        "C:\\Tools.xlsx\\Budget", "C:\\Tools.xlsx\\Budget.xls",
        "C:\\a\\b.xlsx.bak", "C:\\a\\b.xlsxx", "C:\\a\\b.xls x", "",
        "C:.xlsx\\b", "C:\\a\\b.x\xC4sx"}) {
    EXPECT_FALSE(IsOpenXmlWorkbookPath(path)) << path;
  }
}

TEST(OpenXmlPath, ANameThatIsOnlyTheExtensionCounts) {
  EXPECT_TRUE(IsOpenXmlWorkbookPath("C:\\a\\.xlsx"));
  EXPECT_TRUE(IsOpenXmlWorkbookPath("C:.xlsx"));
}

}  // namespace
