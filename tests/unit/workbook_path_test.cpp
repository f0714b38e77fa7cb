#include "launcher/workbook_path.h"

#include <gtest/gtest.h>

namespace {

TEST(WorkbookPath, ReplacesTheExecutablesExtension) {
  const struct {
    const char* exe;
    const char* extension;
    const char* expected;
  } cases[] = {
      {"C:\\Tools\\Budget.exe", ".xlam", "C:\\Tools\\Budget.xlam"},
      {"C:\\Tools\\Budget.exe", "xlsm", "C:\\Tools\\Budget.xlsm"},
      {"C:\\Tools\\Budget.exe", "", "C:\\Tools\\Budget"},
      {"C:\\Tools\\Budget.v2.exe", ".xls", "C:\\Tools\\Budget.v2.xls"},
      {"C:\\My.Tools\\Budget", ".xls", "C:\\My.Tools\\Budget.xls"},
      {"C:/Tools/Budget.exe", ".xls", "C:/Tools/Budget.xls"},
      {"C:Budget.exe", ".xls", "C:Budget.xls"},
      {"\\\\server\\share\\Budget.exe", ".xlsx",
       "\\\\server\\share\\Budget.xlsx"},
      {"Budget.exe", ".xls", "Budget.xls"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MakeWorkbookPath(c.exe, c.extension), c.expected) << c.exe;
  }
}

TEST(WorkbookPath, EmptyExecutablePathFails) {
  EXPECT_EQ(MakeWorkbookPath("", ".xlam"), std::nullopt);
}

TEST(WorkbookPath, ResultOverTheMaximumPathLengthFails) {
  const std::string folder = "C:\\" + std::string(240, 'f') + "\\";
  // 244 + 10 = 254 characters for the executable.
  const std::string exe = folder + "Budget.exe";
  const std::string fits(259 - (folder.size() + 6) - 1, 'x');
  EXPECT_EQ(MakeWorkbookPath(exe, "." + fits)->size(), 259u);
  EXPECT_EQ(MakeWorkbookPath(exe, "." + fits + "x"), std::nullopt);
}

}  // namespace
