#include "pe/pe_resource_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pe/pe_image.h"
#include "pe/pe_resource_reader.h"
#include "pe/pe_resources.h"
#include "tests/support/little_endian.h"

namespace {

using Image = std::vector<std::uint8_t>;
using pe::Resource;
using Id = std::uint16_t;

constexpr std::size_t kPeOffset = 0x80;  // as mingw-w64's linker places it
constexpr std::size_t kCoff = kPeOffset + 4;
constexpr std::size_t kOptional = kCoff + 20;
constexpr std::uint32_t kHighBit = 0x8000'0000u;

Image Text(const std::string& text) { return Image(text.begin(), text.end()); }
std::uint32_t U32(const Image& bytes, std::size_t at) { return pe::ReadU32(bytes, at); }
std::size_t RoundUp(std::size_t value, std::size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

struct Input {
  std::string name;
  Image bytes;
};

// A stub laid out as mingw-w64 links one: 0x400 bytes of headers, then .text,
// .rsrc and .reloc holding a byte pattern; no resource table is declared.
Image SyntheticImage(bool plus) {
  const std::uint16_t optionalSize = plus ? 240 : 224;
  const std::size_t directories = kOptional + (plus ? 112 : 96);
  Image bytes(0x400, 0);
  PutU16(bytes, 0, 0x5A4D);
  PutU32(bytes, 0x3C, kPeOffset);
  PutU32(bytes, kPeOffset, 0x4550);
  PutU16(bytes, kCoff, plus ? pe::kMachineAmd64 : pe::kMachineI386);
  PutU16(bytes, kCoff + 2, 3);
  PutU16(bytes, kCoff + 16, optionalSize);
  PutU16(bytes, kOptional, plus ? pe::kPe32PlusMagic : pe::kPe32Magic);
  PutU32(bytes, kOptional + 8, 0x400);  // SizeOfInitializedData: .rsrc and .reloc
  PutU32(bytes, kOptional + 32, 0x1000);
  PutU32(bytes, kOptional + 36, 0x200);
  PutU32(bytes, kOptional + 56, 0x4000);
  PutU32(bytes, kOptional + 60, 0x400);
  PutU32(bytes, directories - 4, 16);
  const struct {
    const char* name;
    std::uint32_t size;
  } sections[] = {{".text", 0x234}, {".rsrc", 0x90}, {".reloc", 0xC}};
  for (std::uint32_t index = 0; index < 3; ++index) {
    const std::size_t header = kOptional + optionalSize + 40 * index;
    std::memcpy(&bytes[header], sections[index].name, std::strlen(sections[index].name));
    PutU32(bytes, header + 8, sections[index].size);
    PutU32(bytes, header + 12, 0x1000 * (index + 1));
    PutU32(bytes, header + 16, static_cast<std::uint32_t>(RoundUp(sections[index].size, 0x200)));
    PutU32(bytes, header + 20, static_cast<std::uint32_t>(bytes.size()));
    PutU32(bytes, header + 36, index == 0 ? 0x6000'0020u : 0x4000'0040u);
    for (std::size_t at = 0; at < RoundUp(sections[index].size, 0x200); ++at)
      bytes.push_back(static_cast<std::uint8_t>(at * 7 + index));
  }
  PutU32(bytes, kOptional + 64, pe::ImageChecksum(bytes));
  return bytes;
}

// The launcher as the win32 (PE32) and win64 (PE32+) presets link it, when
// built in this source tree (scripts/test.sh builds win32 before the tests).
std::vector<Input> RealImages() {
  const std::filesystem::path source = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
  std::vector<Input> found;
  for (const char* preset : {"win32", "win64"}) {
    const std::filesystem::path path = source / "build" / preset / "payload" / "Launcher.exe";
    std::ifstream file(path, std::ios::binary);
    if (file) found.push_back({path.string(), Image(std::istreambuf_iterator<char>(file), {})});
  }
  return found;
}

std::vector<Input> Inputs() {
  std::vector<Input> inputs = {{"synthetic PE32", SyntheticImage(false)}, {"synthetic PE32+", SyntheticImage(true)}};
  for (Input& real : RealImages()) inputs.push_back(std::move(real));
  return inputs;
}

// Languages other than the launcher's 1033, so they never clash with its own.
std::vector<Resource> Sample() {
  Image big(5000);
  for (std::size_t at = 0; at < big.size(); ++at) big[at] = static_cast<std::uint8_t>(at * 31);
  return {{u"SPLASH_DATA", Id{107}, 2057, Text("settings")},
          {Id{24}, Id{1}, 2057, Text("<assembly/>")},
          {u"SPLASH", Id{104}, 2057, Text("picture")},
          {u"RUNTIME", u"ZIP", 0, Text("a resource named by string")},
          {Id{3}, Id{2}, 2057, {}},
          {Id{3}, Id{1}, 2057, Text("icon, English")},
          {Id{3}, Id{1}, 1031, Text("icon, German")},
          {u"RUNTIME", Id{102}, 2057, big}};
}

std::vector<Resource> Sorted(std::vector<Resource> resources) {
  std::ranges::sort(resources, pe::ResourceOrderLess);
  return resources;
}

Image Written(const Image& image, const std::vector<Resource>& resources) {
  pe::ImageWithResources written = pe::WithResourceTable(image, resources);
  EXPECT_EQ(written.refusal, "");
  return written.image;
}

TEST(PeResourceWriter, ResourcesWrittenIntoAnImageReadBackWhole) {
  for (const Input& input : Inputs()) {
    SCOPED_TRACE(input.name);
    // A stub's own table (windres wrote the real ones) is kept, the sample added.
    std::vector<Resource> resources = pe::ReadAllResources(input.bytes).value();
    const bool stub = !resources.empty();
    EXPECT_EQ(stub, input.name.find("synthetic") == std::string::npos);
    for (const Resource& resource : Sample()) resources.push_back(resource);
    const Image image = Written(input.bytes, resources);
    const std::vector<Resource> expected = Sorted(resources);
    EXPECT_EQ(pe::ReadAllResources(image), expected);
    // The lookup reader finds each (type, id) in its first language.
    std::size_t pairs = 0;
    for (std::size_t index = 0; index < expected.size(); ++index) {
      const Resource& resource = expected[index];
      if (!std::holds_alternative<Id>(resource.name)) continue;
      if (index > 0 && expected[index - 1].type == resource.type && expected[index - 1].name == resource.name) continue;
      std::string type;
      if (const auto* name = std::get_if<std::u16string>(&resource.type)) {
        for (const char16_t unit : *name) type.push_back(static_cast<char>(unit));
      } else {
        type = "#" + std::to_string(std::get<Id>(resource.type));
      }
      EXPECT_EQ(pe::FindPeResource(image, type, std::get<Id>(resource.name)), resource.data) << type;
      ++pairs;
    }
    EXPECT_EQ(pe::ListPeResources(image).size(), pairs);
    // An image written once takes a table again.
    EXPECT_EQ(pe::ReadAllResources(Written(image, Sample())), Sorted(Sample()));
  }
}

TEST(PeResourceWriter, OnlyTheNamedHeaderFieldsChangeAndTheSectionIsAppended) {
  for (const Input& input : Inputs()) {
    SCOPED_TRACE(input.name);
    const Image& before = input.bytes;
    const Image after = Written(before, Sample());
    const pe::PeImage image = pe::PeImage::Open(before).value();
    const std::size_t optional = image.OptionalHeaderOffset();
    const std::size_t header = image.SectionTableOffset() + 40 * image.SectionCount();
    const std::size_t resourceEntry = optional + image.DirectoriesOffset() + 16;
    const std::uint32_t sectionAlignment = U32(before, optional + 32), fileAlignment = U32(before, optional + 36);
    const std::uint32_t size = U32(after, header + 8), rva = U32(after, header + 12), raw = U32(after, header + 16);
    EXPECT_EQ(std::string(after.begin() + header, after.begin() + header + 8), std::string(".rsrc\0\0\0", 8));
    EXPECT_EQ(rva, RoundUp(U32(before, header - 40 + 12) + U32(before, header - 40 + 8), sectionAlignment));
    EXPECT_EQ(U32(after, header + 20), before.size());
    EXPECT_EQ(raw, RoundUp(size, fileAlignment));
    EXPECT_EQ(after.size(), before.size() + raw);
    EXPECT_EQ(U32(after, header + 36), 0x4000'0040u);
    EXPECT_EQ(pe::ReadU16(after, kCoff + 2), image.SectionCount() + 1);
    EXPECT_EQ(U32(after, optional + 56), RoundUp(rva + size, sectionAlignment));
    EXPECT_EQ(U32(after, optional + 8), U32(before, optional + 8) + raw);
    EXPECT_EQ(U32(after, resourceEntry), rva);
    EXPECT_EQ(U32(after, resourceEntry + 4), size);
    EXPECT_EQ(U32(after, optional + 64), pe::ImageChecksum(after));
    const std::pair<std::size_t, std::size_t> changed[] = {{kCoff + 2, 2},     {optional + 8, 4},  {optional + 56, 4},
                                                           {optional + 64, 4}, {resourceEntry, 8}, {header, 40}};
    for (std::size_t at = 0; at < before.size(); ++at) {
      const bool named = std::ranges::any_of(
          changed, [&](auto field) { return at >= field.first && at < field.first + field.second; });
      if (!named && before[at] != after[at]) {
        ADD_FAILURE() << "byte " << at << " changed";
        break;
      }
    }
  }
}

TEST(PeResourceWriter, SameResourcesInAnyOrderGiveTheSameBytes) {
  const Image base = SyntheticImage(false);
  std::vector<Resource> resources = Sample();
  const Image first = Written(base, resources);
  const auto section = pe::BuildResourceSection(resources, 0x5000);
  for (std::size_t turn = 0; turn < 2 * resources.size(); ++turn) {
    if (turn == resources.size()) {
      std::ranges::reverse(resources);
    } else {
      std::ranges::rotate(resources, resources.begin() + 1);
    }
    EXPECT_EQ(Written(base, resources), first) << "turn " << turn;
    EXPECT_EQ(pe::BuildResourceSection(resources, 0x5000), section) << "turn " << turn;
  }
}

TEST(PeResourceWriter, EntriesLieInTheOrderTheLoaderSearches) {
  const pe::ResourceName ordered[] = {u"",       u"B",  u"SPLASH", u"SPLASH_DATA", u"a",
                                      u"\xFF00", Id{0}, Id{3},     Id{24},         Id{65535}};
  for (std::size_t left = 0; left < std::size(ordered); ++left) {
    for (std::size_t right = 0; right < std::size(ordered); ++right) {
      EXPECT_EQ(pe::ResourceOrderLess({ordered[left], Id{1}, 0, {}}, {ordered[right], Id{1}, 0, {}}), left < right)
          << left << "," << right;
      EXPECT_EQ(pe::ResourceOrderLess({Id{1}, ordered[left], 0, {}}, {Id{1}, ordered[right], 0, {}}), left < right)
          << left << "," << right;
    }
  }
  EXPECT_TRUE(pe::ResourceOrderLess({Id{1}, Id{1}, 1031, {}}, {Id{1}, Id{1}, 1033, {}}));
  EXPECT_TRUE(pe::ResourceOrderLess({u"A", Id{9}, 9, {}}, {u"B", Id{1}, 1, {}})) << "type before name before language";

  // The root counts 3 named and 2 id types, names first; the data entries
  // (reached through the first type and name) and their data 8-byte aligned,
  // code page 0.
  const Image table = pe::BuildResourceSection(Sample(), 0x5000).value();
  EXPECT_EQ(pe::ReadU16(table, 12), 3);
  EXPECT_EQ(pe::ReadU16(table, 14), 2);
  for (std::size_t entry = 0; entry < 5; ++entry) {
    EXPECT_EQ((U32(table, 16 + 8 * entry) & kHighBit) != 0, entry < 3);
    EXPECT_NE(U32(table, 20 + 8 * entry) & kHighBit, 0u);
  }
  const std::size_t firstType = U32(table, 20) - kHighBit;
  const std::size_t firstName = U32(table, firstType + 20) - kHighBit;
  const std::size_t firstDataEntry = U32(table, firstName + 20);
  for (std::size_t entry = firstDataEntry; entry < firstDataEntry + 16 * Sample().size(); entry += 16) {
    EXPECT_EQ(entry % 8, 0u);
    EXPECT_EQ(U32(table, entry) % 8, 0u);
    EXPECT_EQ(U32(table, entry + 8), 0u);
  }
}

TEST(PeResourceWriter, RefusesWhatItCannotWriteSafely) {
  const Image good = SyntheticImage(false);
  const std::size_t freeSlot = kOptional + 224 + 3 * 40;
  const auto with = [&](std::size_t at, std::uint32_t value) {
    Image bytes = good;
    PutU32(bytes, at, value);
    return bytes;
  };
  Image overlay = good;
  overlay.push_back(0);
  Image hugeAlignment = with(kOptional + 32, 1u << 30);
  PutU32(hugeAlignment, kOptional + 36, 1u << 30);
  std::vector<Resource> duplicates = Sample();
  duplicates.push_back({u"SPLASH", Id{104}, 2057, Text("other")});
  const struct {
    const char* name;
    Image image;
    std::vector<Resource> resources;
    const char* reason;
  } cases[] = {
      {"text", Text(std::string(600, 'x')), Sample(), "is not a PE image"},
      {"signed", with(kOptional + 96 + 4 * 8 + 4, 0x100), Sample(), "is signed"},
      {"overlay", overlay, Sample(), "overlay"},
      {"cut short", Image(good.begin(), good.end() - 1), Sample(), "cut short"},
      {"header slot in use", with(freeSlot + 36, 1), Sample(), "no room in its headers"},
      {"headers too small", with(kOptional + 60, static_cast<std::uint32_t>(freeSlot + 39)), Sample(),
       "no room in its headers"},
      {"file alignment", with(kOptional + 36, 0x300), Sample(), "alignment"},
      {"file alignment past 64 KiB", hugeAlignment, Sample(), "alignment"},
      {"duplicate", good, duplicates, "two resources of one type, name and language"},
      {"past 4 GiB", with(freeSlot - 40 + 12, 0xFFFF'F000u), Sample(), "4 GiB"},
  };
  for (const auto& [name, image, resources, reason] : cases) {
    const pe::ImageWithResources written = pe::WithResourceTable(image, resources);
    EXPECT_TRUE(written.image.empty()) << name;
    EXPECT_NE(written.refusal.find(reason), std::string::npos) << name << ": " << written.refusal;
  }
  EXPECT_EQ(pe::BuildResourceSection(duplicates, 0x5000), std::nullopt);
  EXPECT_EQ(pe::BuildResourceSection(Sample(), 0xFFFF'F000u), std::nullopt) << "data past 4 GiB";
}

TEST(PeResourceWriter, ChecksumIsCheckSumMappedFiles) {
  EXPECT_EQ(pe::ImageChecksum(Image{0x01, 0x02, 0x03}), 0x0201u + 0x03 + 3) << "odd last byte";
  EXPECT_EQ(pe::ImageChecksum(Image{0xFF, 0xFF, 0x02, 0x00}), 0x0002u + 4) << "carry folded";
  Image image = SyntheticImage(true);
  const std::uint32_t sum = pe::ImageChecksum(image);
  PutU32(image, kOptional + 64, 0xDEAD'BEEFu);
  EXPECT_EQ(pe::ImageChecksum(image), sum) << "the field itself counts as zero";
  const std::vector<Input> real = RealImages();
  if (real.empty()) GTEST_SKIP() << "no mingw-built Launcher.exe under build/win32 or build/win64 to compare with";
  for (const Input& input : real) {
    const std::size_t field = pe::PeImage::Open(input.bytes).value().OptionalHeaderOffset() + 64;
    EXPECT_EQ(pe::ImageChecksum(input.bytes), U32(input.bytes, field)) << input.name << ": the linker's checksum";
  }
}

TEST(PeResources, ADamagedTableIsNeverHalfRead) {
  const Image base = SyntheticImage(false);
  EXPECT_EQ(pe::ReadAllResources(base), std::vector<Resource>{}) << "no table";
  EXPECT_EQ(pe::ReadAllResources(Text("MZ")), std::nullopt);
  const Image good = Written(base, Sample());
  const std::size_t table = base.size();  // the appended section; its first type is RUNTIME, first name "ZIP"
  const std::size_t type = table + U32(good, table + 20) - kHighBit;
  const std::size_t language = table + U32(good, type + 20) - kHighBit + 16;
  const std::size_t data = table + U32(good, language + 4);
  const auto with = [&](std::size_t at, std::uint32_t value) {
    Image bytes = good;
    PutU32(bytes, at, value);
    return bytes;
  };
  // Every data entry made to repeat RUNTIME 102's 5000 bytes: more than the image.
  Image repeated = good;
  for (std::size_t entry = data; entry < data + 16 * Sample().size(); entry += 16) {
    PutU32(repeated, entry, U32(good, data + 16));
    PutU32(repeated, entry + 4, U32(good, data + 20));
  }
  // 600 types, each made to lead to type 0's 600 names: 360,000 resources.
  std::vector<Resource> wide;
  for (std::uint16_t id = 0; id < 600; ++id) wide.push_back({Id{0}, id, 0, {}});
  for (std::uint16_t id = 1; id < 600; ++id) wide.push_back({id, Id{0}, 0, {}});
  Image shared = Written(base, wide);
  ASSERT_EQ(pe::ReadAllResources(shared)->size(), wide.size());
  for (std::size_t entry = 1; entry < 600; ++entry) PutU32(shared, table + 20 + 8 * entry, U32(shared, table + 20));

  const std::pair<const char*, Image> cases[] = {
      {"type leads to data", with(table + 20, U32(good, table + 20) - kHighBit)},
      {"language leads to a directory", with(language + 4, U32(good, language + 4) | kHighBit)},
      {"named language", with(language, kHighBit | (U32(good, table + 16) - kHighBit))},
      {"count past the table", with(type + 12, 0xFFFF'0000u)},
      {"directory past the table", with(table + 20, kHighBit | 0x7FFF'FFF0u)},
      {"name past the table", with(table + 16, kHighBit | 0x7FFF'FFF0u)},
      {"data in no section", with(data, 0x0090'0000u)},
      {"data past its section", with(data + 4, 0x10000)},
      {"data repeated past the image's size", repeated},
      {"types sharing one huge directory", shared},
  };
  for (const auto& [name, bytes] : cases) EXPECT_EQ(pe::ReadAllResources(bytes), std::nullopt) << name;
}

}  // namespace
