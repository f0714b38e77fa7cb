#include "launcher/help_data.h"

#include <gtest/gtest.h>

#include "tests/support/record_bytes.h"
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
    EXPECT_TRUE(IsHelpDataPlaceholder(Bytes(placeholder)));
    const auto help = ParseHelpData(Bytes(placeholder));
    ASSERT_TRUE(help) << placeholder;
    EXPECT_EQ(help->name, "");
    EXPECT_TRUE(help->content.empty());
  }
  EXPECT_FALSE(IsHelpDataPlaceholder(Bytes("12")));
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
        "Guide.chm:stream", ".", ".."}) {
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
