#include "common/narrow_text.h"

#include "tests/support/sim_test.h"

namespace {

// Code page 932 (Japanese): "\x97\x5C" is a kanji and "\x83\x5C" a katakana
// letter, each with a second byte of the value of a backslash.
class NarrowTextTest : public SimTest {
 protected:
  void UseJapaneseCodePage() {
    world().leadByteRanges = {{0x81, 0x9F}, {0xE0, 0xFC}};
  }
};

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

}  // namespace
