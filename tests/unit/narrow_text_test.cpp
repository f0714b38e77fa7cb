#include "common/narrow_text.h"

#include "tests/support/sim_test.h"

namespace {

class NarrowTextTest : public SimTest {};

TEST_F(NarrowTextTest, SecondBytesAreNoCharactersOfTheirOwn) {
  const std::string_view path = "C:\\\x97\x5C\x83\x5C\\Guide";
  EXPECT_EQ(FindCharacter(path, "\\"), 2u);
  EXPECT_EQ(FindCharacter(path.substr(3), "\\"), 1u);  // Windows-1252
  UseJapaneseCodePage();
  EXPECT_EQ(FindCharacter(path.substr(3), "\\"), 4u);
  EXPECT_EQ(FindCharacter(path.substr(3), "/:"), std::string_view::npos);
  EXPECT_EQ(FindCharacter("", "\\"), std::string_view::npos);
}

TEST_F(NarrowTextTest, LastCharacterIsTakenWhole) {
  EXPECT_TRUE(EndsWithCharacter("C:\\Folder\\", '\\'));
  EXPECT_FALSE(EndsWithCharacter("C:\\Folder", '\\'));
  EXPECT_FALSE(EndsWithCharacter("", '\\'));
  EXPECT_TRUE(EndsWithCharacter("C:\\\x97\x5C", '\\'));  // Windows-1252
  UseJapaneseCodePage();
  EXPECT_FALSE(EndsWithCharacter("C:\\\x97\x5C", '\\'));
  EXPECT_TRUE(EndsWithCharacter("C:\\\x97\x5C\\", '\\'));
  // A lead byte that ends the text is no backslash either.
  EXPECT_FALSE(EndsWithCharacter("C:\\\x97", '\\'));
}

TEST_F(NarrowTextTest, LastSeparatorIsAWholeCharacter) {
  const std::string_view path = "C:\\Tools\\\x95\x5C";
  EXPECT_EQ(FindLastCharacter(path, "\\/"), 10u);  // Windows-1252
  UseJapaneseCodePage();
  EXPECT_EQ(FindLastCharacter(path, "\\/"), 8u);
  EXPECT_EQ(FindLastCharacter("Guide", "\\/"), std::string_view::npos);
}

TEST_F(NarrowTextTest, ExtensionBelongsToTheLastComponent) {
  EXPECT_EQ(FindExtension("C:\\Tools\\Budget.exe"), 15u);
  EXPECT_EQ(FindExtension("C:\\Tools.v2\\Budget"), std::string_view::npos);
  EXPECT_EQ(FindExtension("C:.exe"), 2u);
  EXPECT_EQ(FindExtension("C:Budget"), std::string_view::npos);
  EXPECT_EQ(FindExtension("Budget.tar.gz"), 10u);
  // After a kanji whose second byte is 0x5C the dot still opens the
  // extension of the same component.
  UseJapaneseCodePage();
  EXPECT_EQ(FindExtension("C:\\Tools\\x.\x97\x5C"), 10u);
}

TEST_F(NarrowTextTest, OnlyAsciiLettersIgnoreCase) {
  EXPECT_TRUE(EqualsIgnoringAsciiCase(".XLSX", ".xlsx"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase(".xlsx", ".xls"));
  // "\xC9" and "\xE9" are one letter in two cases in Windows-1252, yet not
  // ASCII.
  EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC9", "\xE9"));
}

TEST_F(NarrowTextTest, OnlyDriveAndUncPathsAreFullyQualified) {
  for (const char* path : {"C:\\Tools\\x.dll", "c:/x.dll", "\\\\server\\share\\x.dll",
                           "//server/x.dll", "\\\\?\\C:\\x.dll"}) {
    EXPECT_TRUE(IsFullyQualifiedPath(path)) << path;
  }
  // Searched for, or taken from the current folder or drive.
  for (const char* path : {"SheltraRuntime.dll", "Tools\\x.dll", "C:x.dll",
                           "\\x.dll", "\\\\\\x.dll", "1:\\x.dll", "C:", ""}) {
    EXPECT_FALSE(IsFullyQualifiedPath(path)) << path;
  }
}

}  // namespace
