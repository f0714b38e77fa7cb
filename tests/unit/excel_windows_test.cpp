#include "automation/excel_windows.h"

#include "tests/support/sim_test.h"

namespace {

using ExcelWindowsTest = SimTest;

TEST_F(ExcelWindowsTest, OnlyWindowsOfExactlyTheExcelClassAreCollected) {
  world().AddWindow(0x300, 1, "XLMAIN");
  world().AddWindow(0x100, 1, "xlmain");
  world().AddWindow(0x200, 1, "XLMAIN2");
  world().AddWindow(0x500, 1, "");  // class name unreadable
  world().AddWindow(0x050, 2, "XLMAIN");
  world().AddWindow(0x400, 1, std::string(300, 'X'));
  WindowHandleSet windows;
  CollectExcelMainWindows(windows);
  EXPECT_EQ(windows, (WindowHandleSet{0x050, 0x300}));
}

TEST_F(ExcelWindowsTest, HandlesAreOrderedAsUnsignedThirtyTwoBitValues) {
  WindowHandleSet windows{0x80000000u, 0x10u, 0x10u};
  EXPECT_EQ(windows.size(), 2u);
  EXPECT_EQ(*windows.begin(), 0x10u);
}

TEST_F(ExcelWindowsTest, NewWindowIsTheLowestOneNotSeenBefore) {
  const WindowHandleSet before{0x100, 0x300};
  EXPECT_EQ(FindNewExcelWindow(before, {0x100, 0x250, 0x300, 0x400}), 0x250u);
  EXPECT_EQ(FindNewExcelWindow(before, {0x100, 0x300}), 0u);
  EXPECT_EQ(FindNewExcelWindow(before, {}), 0u);
  EXPECT_EQ(FindNewExcelWindow({}, {0x900, 0x020}), 0x020u);
}

}  // namespace
