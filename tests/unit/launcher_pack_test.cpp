#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/little_endian.h"
#include "tools/launcher_check/launcher_image.h"
#include "tools/launcher_pack/image_resources.h"
#include "tools/launcher_pack/manifest_code_page.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// An .ico file whose images are `images`, each with its own 12 header bytes
// (width, height, ...) filled with its index.
Bytes IconFile(const std::vector<Bytes>& images) {
  Bytes file(6 + 16 * images.size());
  PutU16(file, 2, 1);
  PutU16(file, 4, static_cast<std::uint16_t>(images.size()));
  for (std::size_t index = 0; index < images.size(); ++index) {
    const std::size_t entry = 6 + 16 * index;
    std::fill_n(file.begin() + static_cast<long>(entry), 8, static_cast<std::uint8_t>(index + 1));
    PutU32(file, entry + 8, static_cast<std::uint32_t>(images[index].size()));
    PutU32(file, entry + 12, static_cast<std::uint32_t>(file.size()));
    file.insert(file.end(), images[index].begin(), images[index].end());
  }
  return file;
}

TEST(IconGroupResources, SplitsAnIconFileIntoIconsAndTheGroupNamingThemById) {
  const std::vector<Bytes> images = {Bytes(40, 0xA1), Bytes(68, 0xB2)};
  const ConvertedResources converted = IconGroupResources(IconFile(images), 101, 1033);
  ASSERT_EQ(converted.fault, "");
  ASSERT_EQ(converted.resources.size(), 3u);
  for (std::uint16_t index = 0; index < 2; ++index) {
    EXPECT_EQ(converted.resources[index].type, pe::ResourceName{pe::resource_type::kIcon});
    EXPECT_EQ(converted.resources[index].name, pe::ResourceName{std::uint16_t(index + 1)});
    EXPECT_EQ(converted.resources[index].data, images[index]);
  }
  const pe::Resource& group = converted.resources[2];
  EXPECT_EQ(group.type, pe::ResourceName{pe::resource_type::kIconGroup});
  EXPECT_EQ(group.name, pe::ResourceName{std::uint16_t{101}});
  EXPECT_EQ(group.language, 1033);
  // The directory, then per image its 12 header bytes and the icon's id.
  ASSERT_EQ(group.data.size(), 6u + 2 * 14);
  EXPECT_EQ(group.data[4], 2);
  EXPECT_EQ(group.data[6 + 14 + 0], 2);     // the second image's width
  EXPECT_EQ(group.data[6 + 14 + 8], 68);    // its size
  EXPECT_EQ(group.data[6 + 14 + 12], 2);    // its id
}

TEST(IconGroupResources, RefusesWhatIsNoWholeIconFile) {
  const Bytes whole = IconFile({Bytes(40, 1)});
  Bytes outside = whole;
  PutU32(outside, 6 + 12, 4000);
  const std::vector<std::pair<Bytes, std::string>> cases = {
      {Bytes{'B', 'M', 0, 0, 0, 0}, "is not an icon file (.ico)"},
      {IconFile({}), "is an icon file without an image"},
      {Bytes(whole.begin(), whole.begin() + 12), "cut short in its directory"},
      {outside, "whose image 1 lies outside it"},
  };
  for (const auto& [file, fault] : cases) {
    const ConvertedResources converted = IconGroupResources(file, 101, 1033);
    EXPECT_TRUE(converted.resources.empty());
    EXPECT_NE(converted.fault.find(fault), std::string::npos) << converted.fault;
  }
}

TEST(BitmapResource, IsTheFileWithoutItsFileHeaderAndRefusesAnythingElse) {
  Bytes file(14 + 40 + 12, 0x33);
  file[0] = 'B';
  file[1] = 'M';
  const ConvertedResources converted = BitmapResource(file, 109, 1033);
  ASSERT_EQ(converted.resources.size(), 1u);
  EXPECT_EQ(converted.resources[0].type, pe::ResourceName{pe::resource_type::kBitmap});
  EXPECT_EQ(converted.resources[0].data, Bytes(file.begin() + 14, file.end()));
  file[0] = 'X';
  EXPECT_EQ(BitmapResource(file, 109, 1033).fault, "is not a bitmap file (.bmp)");
  EXPECT_EQ(BitmapResource(Bytes{'B', 'M'}, 109, 1033).fault, "is not a bitmap file (.bmp)");
}

std::string LauncherManifest() {
  std::ifstream file(LAUNCHER_MANIFEST);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(WithoutUtf8CodePage, TakesTheLaunchersDeclarationOutAndKeepsTheRest) {
  const std::string manifest = LauncherManifest();
  ASSERT_TRUE(DeclaresUtf8CodePage(manifest));
  const std::optional<std::string> without = WithoutUtf8CodePage(manifest);
  ASSERT_TRUE(without);
  EXPECT_FALSE(DeclaresUtf8CodePage(*without));
  EXPECT_TRUE(DeclaresAsInvoker(*without));
  EXPECT_TRUE(without->ends_with("</compatibility>\n</assembly>\n")) << *without;
  // A manifest without the declaration stays as it is; one that makes it
  // in another form is not taken apart.
  EXPECT_EQ(WithoutUtf8CodePage(*without), without);
  const std::string otherForm =
      "<assembly><application><windowsSettings><activeCodePage>UTF-8</activeCodePage></windowsSettings>"
      "</application></assembly>";
  EXPECT_FALSE(WithoutUtf8CodePage(otherForm));
}

}  // namespace
