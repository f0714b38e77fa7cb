#include "launcher/help_data.h"

#include <gtest/gtest.h>

#include "resources/placeholder_resource.h"
#include "tests/support/record_bytes.h"
#include "platform/text.h"
#include "tests/support/sim_test.h"

namespace {

TEST(ParseHelpData, TakesNameAndContentAndIgnoresWhatFollows) {
  const auto help = ParseHelpData(HelpBytes("Guide.chm", 3, "ITSxyz"));
  ASSERT_TRUE(help);
  EXPECT_EQ(help->name, "Guide.chm");
  EXPECT_EQ(help->content, Bytes("ITS"));

  const auto empty = ParseHelpData(HelpBytes("", 0, ""));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->name, "");
  EXPECT_TRUE(empty->content.empty());
}

TEST(ParseHelpData, PlaceholderIsNoHelpFile) {
  for (const std::string& placeholder : {std::string("1"), std::string()}) {
    EXPECT_TRUE(IsPlaceholderResource(Bytes(placeholder)));
    const auto help = ParseHelpData(Bytes(placeholder));
    ASSERT_TRUE(help) << placeholder;
    EXPECT_EQ(help->name, "");
    EXPECT_TRUE(help->content.empty());
  }
  EXPECT_FALSE(IsPlaceholderResource(Bytes("12")));
}

TEST(ParseHelpData, RefusesDataCutShort) {
  std::vector<std::uint8_t> noNul = HelpBytes("Guide.chm", 0, "");
  noNul.resize(4 + 9);  // the name, cut before its NUL
  std::vector<std::uint8_t> noLength = HelpBytes("Guide.chm", 0, "");
  noLength.resize(noLength.size() - 1);  // three bytes of the length word

  EXPECT_FALSE(ParseHelpData(Bytes(std::string(3, '\0'))));  // no first word
  EXPECT_FALSE(ParseHelpData(noNul));
  EXPECT_FALSE(ParseHelpData(noLength));
  // Longer than what follows: no file with a made-up tail.
  EXPECT_FALSE(ParseHelpData(HelpBytes("Guide.chm", 5, "ITS")));
  // A length with its top bit set is no negative count.
  EXPECT_FALSE(ParseHelpData(HelpBytes("Guide.chm", 0xFFFFFFFF, "ITS")));
}

class IsPlainFileNameTest : public SimTest {};

TEST_F(IsPlainFileNameTest, RefusesAnythingThatNamesAnotherFolder) {
  EXPECT_TRUE(IsPlainFileName("Guide.chm"));
  EXPECT_TRUE(IsPlainFileName("..Guide.chm"));
  EXPECT_TRUE(IsPlainFileName("Guide v2.chm"));
  for (const char* name :
       {"..\\Guide.chm", "Help\\Guide.chm", "../Guide.chm", "C:Guide.chm",
        "C:\\Windows\\Guide.chm", "\\\\server\\share\\Guide.chm",
        "Guide.chm:stream", ".", "..", "Guide*.chm", "Guide?.chm", "G<.chm",
        "G>.chm", "G\".chm", "G|.chm"}) {
    EXPECT_FALSE(IsPlainFileName(name)) << name;
  }
}

TEST_F(IsPlainFileNameTest, RefusesDeviceNamesWithAnyExtension) {
  for (const char* name :
       {"CON", "nul", "Nul.chm", "aux.txt.chm", "PRN ", "con .chm", "COM0",
        "COM1", "com9.chm", "LPT1", "lpt5.chm", "COM\xB9.chm", "LPT\xB3"}) {
    EXPECT_FALSE(IsPlainFileName(name)) << name;
  }
  for (const char* name :
       {"CONSOLE.chm", "NULL", "nul_guide.chm", "COMA", "COM10.chm", "LPT.chm",
        "xnul.chm", "Guide.nul", "COM\xB4.chm"}) {
    EXPECT_TRUE(IsPlainFileName(name)) << name;
  }
}

// "\x83\x5C\x83\x74\x83\x67" is a three-letter katakana word in code page
// 932; its first character's second byte has the value of a backslash.
TEST_F(IsPlainFileNameTest, ReadsDoubleByteCharactersWhole) {
  const std::string katakana = "\x83\x5C\x83\x74\x83\x67.chm";
  // In Windows-1252 those bytes hold a backslash.
  EXPECT_FALSE(IsPlainFileName(katakana));

  UseJapaneseCodePage();
  EXPECT_TRUE(IsPlainFileName(katakana));
  // A separator after a double-byte character is still one.
  EXPECT_FALSE(IsPlainFileName("\x83\x5C\\Guide.chm"));
  EXPECT_FALSE(IsPlainFileName("\x83\x74:stream"));
  // A lead byte closing the name hides nothing.
  EXPECT_TRUE(IsPlainFileName("Guide\x83"));
}

TEST_F(IsPlainFileNameTest, DevicePortNumbersAreReadInTheProcessCodePage) {
  world().processCodePage = platform::kUtf8CodePage;
  EXPECT_FALSE(IsPlainFileName("COM\xC2\xB9.chm"));  // COM and a superscript one
  EXPECT_FALSE(IsPlainFileName("lpt\xC2\xB3"));
  // The Windows-1252 byte alone is no character in UTF-8.
  EXPECT_TRUE(IsPlainFileName("COM\xB9.chm"));
  EXPECT_TRUE(IsPlainFileName("COM\xC2\xB4.chm"));
}

class HelpFileNameTest : public SimTest {};

// The authoring tool writes the name in its users' ANSI code page; a UTF-8
// launcher process reads it as the same characters.
TEST_F(HelpFileNameTest, StoredNamesKeepTheirCharactersInEveryProcess) {
  struct Case {
    std::uint32_t processCodePage;
    std::string stored;
    std::string expected;
  };
  const Case cases[] = {
      {1252, "\xDC" "bersicht.chm", "\xDC" "bersicht.chm"},
      {platform::kUtf8CodePage, "\xDC" "bersicht.chm", "\xC3\x9C" "bersicht.chm"},
      // Valid UTF-8, ASCII among it, stands as it is.
      {platform::kUtf8CodePage, "\xC3\x9C" "bersicht.chm", "\xC3\x9C" "bersicht.chm"},
      {platform::kUtf8CodePage, "Guide.chm", "Guide.chm"},
      {platform::kUtf8CodePage, "\xD0\xA1\xD0\xBF.chm", "\xD0\xA1\xD0\xBF.chm"},
      // Bytes that are no UTF-8 character, even where some are: the name is
      // Windows-1252, in which "\x80" is the euro sign.
      {platform::kUtf8CodePage, "Caf\xC3\x80\x80.chm", "Caf\xC3\x83\xE2\x82\xAC\xE2\x82\xAC.chm"},
  };
  for (const Case& test : cases) {
    world().processCodePage = test.processCodePage;
    EXPECT_EQ(HelpFileNameForProcess(test.stored), test.expected)
        << test.stored << " in code page " << test.processCodePage;
  }
}

TEST_F(HelpFileNameTest, ANameThatCannotBeConvertedIsNone) {
  world().processCodePage = platform::kUtf8CodePage;
  world().faults.FailCall("MultiByteToWideChar", 1);
  EXPECT_EQ(HelpFileNameForProcess("\xDC" "bersicht.chm"), std::nullopt);
}

class MakeHelpFilePathTest : public SimTest {};

TEST_F(MakeHelpFilePathTest, JoinsTheTemporaryFolderAndTheName) {
  world().tempFolder = "C:\\Users\\Ann\\AppData\\Local\\Temp\\";
  EXPECT_EQ(MakeHelpFilePath("Guide.chm"),
            "C:\\Users\\Ann\\AppData\\Local\\Temp\\Guide.chm");
  world().tempFolder = "C:\\Temp";
  EXPECT_EQ(MakeHelpFilePath("Guide.chm"), "C:\\Temp\\Guide.chm");
  EXPECT_EQ(MakeHelpFilePath(""), "");
}

TEST_F(MakeHelpFilePathTest, WithoutTemporaryFolderTheNameStandsAlone) {
  world().faults.FailCall("TempFolder", 1);
  EXPECT_EQ(MakeHelpFilePath("Guide.chm"), "Guide.chm");
}

}  // namespace
