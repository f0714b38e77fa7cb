#include "common/narrow_text.h"

#include "ascii/ascii_case.h"
#include "common/path_limits.h"
#include "platform/text.h"
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

// In a UTF-8 process a character takes one to four bytes, none of which is
// ASCII unless the character is.
TEST_F(NarrowTextTest, Utf8CharactersAreTakenWhole) {
  world().processCodePage = platform::kUtf8CodePage;
  // "C:\Бюджет\" and a kanji: 2-byte Cyrillic letters, a 3-byte kanji.
  const std::string_view path = "C:\\\xD0\x91\xD1\x8E\xD0\xB4\\\xE5\xA0\xB1.xlsm";
  EXPECT_EQ(FindLastCharacter(path, "\\"), 9u);
  EXPECT_EQ(FindExtension(path), 13u);
  EXPECT_EQ(CountCharacters(path), 13u);
  // A character beyond U+FFFF is two UTF-16 units; malformed bytes are one
  // character each.
  EXPECT_EQ(CountCharacters("\xF0\x9F\x98\x80"), 2u);
  EXPECT_EQ(CountCharacters("\xC0\x80\xED\xA0\x80"), 5u);
  EXPECT_EQ(CountCharacters("\xE5\xA0"), 2u);  // cut short
}

TEST_F(NarrowTextTest, PathLimitCountsCharactersNotBytes) {
  const std::string cyrillic = "\xD0\x96";  // one letter, two bytes
  const auto path = [](const std::string& character, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += character;
    return text;
  };
  // Windows-1252: every byte is a character.
  EXPECT_FALSE(FitsPathLimit(path(cyrillic, 130)));
  world().processCodePage = platform::kUtf8CodePage;
  EXPECT_TRUE(FitsPathLimit(path(cyrillic, 259)));
  EXPECT_FALSE(FitsPathLimit(path(cyrillic, 260)));
  EXPECT_TRUE(FitsPathLimit(path("\xE5\xA0\xB1", 259)));
  // 130 characters beyond U+FFFF are 260 units.
  EXPECT_FALSE(FitsPathLimit(path("\xF0\x9F\x98\x80", 130)));
  EXPECT_TRUE(FitsPathLimit(path("\xF0\x9F\x98\x80", 129) + "x"));
}

TEST_F(NarrowTextTest, Utf8CheckTellsWellFormedText) {
  for (const char* text : {"", "Guide.chm", "\xC3\x9C", "\xE5\xA0\xB1", "\xF4\x8F\xBF\xBF"}) {
    EXPECT_TRUE(IsValidUtf8(text)) << text;
  }
  // A lone continuation byte, a Windows-1252 letter, an overlong form, a
  // surrogate, a code point past U+10FFFF, a sequence cut short.
  for (const char* text : {"\x80", "\xDC" "bersicht", "\xC0\xAF", "\xED\xA0\x80",
                           "\xF4\x90\x80\x80", "\xE5\xA0"}) {
    EXPECT_FALSE(IsValidUtf8(text)) << text;
  }
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
