#include "pe/pe_resource_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "tests/support/little_endian.h"

namespace {

using Image = std::vector<std::uint8_t>;

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::size_t kSectionFileOffset = 0x200;
constexpr std::size_t kFileAlignment = 0x200;
constexpr std::uint32_t kSubdirectory = 0x8000'0000u;

enum class Format { Pe32, Pe32Plus };

struct Resource {
  std::variant<std::uint16_t, std::u16string> type;
  std::uint16_t id;
  Image data;
};

// Absolute file offsets of the parts tests tamper with.
struct BuiltPe {
  Image bytes;
  std::size_t optionalHeader = 0;
  std::size_t sectionHeader = 0;
  std::size_t tree = kSectionFileOffset;
  std::vector<std::size_t> typeDirectories;  // one per distinct type, in order of first appearance
  std::vector<std::size_t> languageDirectories;  // one per resource
  std::vector<std::size_t> dataEntries;          // one per resource
  std::vector<std::size_t> typeNames;            // one per type; 0 for integer types
  std::size_t endOfLastData = 0;
};

Image Text(const std::string& text) { return Image(text.begin(), text.end()); }

std::size_t RoundUp(std::size_t value, std::size_t alignment) { return (value + alignment - 1) / alignment * alignment; }

// Wraps a resource tree in the headers a linker writes: DOS header, PE signature, COFF header,
// optional header with 16 data directories, and one .rsrc section mapped at kSectionRva.
BuiltPe WrapTree(const Image& tree, Format format) {
  BuiltPe pe;
  const bool plus = format == Format::Pe32Plus;
  const std::size_t directoriesStart = plus ? 112 : 96;
  const std::uint16_t optionalSize = static_cast<std::uint16_t>(directoriesStart + 16 * 8);
  const std::size_t rawSize = RoundUp(tree.size(), kFileAlignment);
  Image& bytes = pe.bytes;
  bytes.assign(kSectionFileOffset + rawSize, 0);
  PutU16(bytes, 0, 0x5A4D);
  PutU32(bytes, 0x3C, 0x40);
  PutU32(bytes, 0x40, 0x4550);
  const std::size_t coff = 0x44;
  PutU16(bytes, coff, plus ? 0x8664 : 0x14C);
  PutU16(bytes, coff + 2, 1);
  PutU16(bytes, coff + 16, optionalSize);
  PutU16(bytes, coff + 18, 0x0102);
  pe.optionalHeader = coff + 20;
  PutU16(bytes, pe.optionalHeader, plus ? 0x20B : 0x10B);
  PutU32(bytes, pe.optionalHeader + directoriesStart - 4, 16);
  PutU32(bytes, pe.optionalHeader + directoriesStart + 16, kSectionRva);
  PutU32(bytes, pe.optionalHeader + directoriesStart + 20, static_cast<std::uint32_t>(tree.size()));
  pe.sectionHeader = pe.optionalHeader + optionalSize;
  std::memcpy(&bytes[pe.sectionHeader], ".rsrc", 5);
  PutU32(bytes, pe.sectionHeader + 8, static_cast<std::uint32_t>(tree.size()));
  PutU32(bytes, pe.sectionHeader + 12, kSectionRva);
  PutU32(bytes, pe.sectionHeader + 16, static_cast<std::uint32_t>(rawSize));
  PutU32(bytes, pe.sectionHeader + 20, static_cast<std::uint32_t>(kSectionFileOffset));
  std::copy(tree.begin(), tree.end(), bytes.begin() + kSectionFileOffset);
  return pe;
}

void PutDirectoryHeader(Image& tree, std::size_t at, std::size_t named, std::size_t ids) {
  PutU16(tree, at + 12, static_cast<std::uint16_t>(named));
  PutU16(tree, at + 14, static_cast<std::uint16_t>(ids));
}

// Lays the tree out as resource compilers do: root, type directories, language directories,
// data entries, type names, then the data itself.
BuiltPe BuildPe(const std::vector<Resource>& resources, Format format = Format::Pe32) {
  std::vector<std::variant<std::uint16_t, std::u16string>> types;
  std::vector<std::vector<std::size_t>> members;
  for (std::size_t index = 0; index < resources.size(); ++index) {
    auto group = static_cast<std::size_t>(std::find(types.begin(), types.end(), resources[index].type) - types.begin());
    if (group == types.size()) {
      types.push_back(resources[index].type);
      members.emplace_back();
    }
    members[group].push_back(index);
  }
  std::size_t at = 16 + 8 * types.size();
  std::vector<std::size_t> typeDirs, languageDirs, dataEntries, names(types.size(), 0), blobs;
  for (const auto& group : members) typeDirs.push_back(std::exchange(at, at + 16 + 8 * group.size()));
  for (std::size_t i = 0; i < resources.size(); ++i) languageDirs.push_back(std::exchange(at, at + 24));
  for (std::size_t i = 0; i < resources.size(); ++i) dataEntries.push_back(std::exchange(at, at + 16));
  for (std::size_t t = 0; t < types.size(); ++t) {
    if (const auto* name = std::get_if<std::u16string>(&types[t])) names[t] = std::exchange(at, at + 2 + 2 * name->size());
  }
  for (const Resource& resource : resources) blobs.push_back(std::exchange(at, RoundUp(at + resource.data.size(), 4)));

  Image tree(at, 0);
  const auto integerTypes = static_cast<std::size_t>(std::count(names.begin(), names.end(), std::size_t{0}));
  PutDirectoryHeader(tree, 0, types.size() - integerTypes, integerTypes);
  for (std::size_t t = 0; t < types.size(); ++t) {
    const auto* name = std::get_if<std::u16string>(&types[t]);
    PutU32(tree, 16 + 8 * t, name ? static_cast<std::uint32_t>(names[t]) | kSubdirectory : std::get<std::uint16_t>(types[t]));
    PutU32(tree, 20 + 8 * t, static_cast<std::uint32_t>(typeDirs[t]) | kSubdirectory);
    if (name) {
      PutU16(tree, names[t], static_cast<std::uint16_t>(name->size()));
      for (std::size_t c = 0; c < name->size(); ++c) PutU16(tree, names[t] + 2 + 2 * c, (*name)[c]);
    }
    PutDirectoryHeader(tree, typeDirs[t], 0, members[t].size());
    for (std::size_t m = 0; m < members[t].size(); ++m) {
      const std::size_t r = members[t][m];
      PutU32(tree, typeDirs[t] + 16 + 8 * m, resources[r].id);
      PutU32(tree, typeDirs[t] + 20 + 8 * m, static_cast<std::uint32_t>(languageDirs[r]) | kSubdirectory);
    }
  }
  for (std::size_t r = 0; r < resources.size(); ++r) {
    PutDirectoryHeader(tree, languageDirs[r], 0, 1);
    PutU32(tree, languageDirs[r] + 16, 0x409);
    PutU32(tree, languageDirs[r] + 20, static_cast<std::uint32_t>(dataEntries[r]));
    PutU32(tree, dataEntries[r], static_cast<std::uint32_t>(kSectionRva + blobs[r]));
    PutU32(tree, dataEntries[r] + 4, static_cast<std::uint32_t>(resources[r].data.size()));
    std::copy(resources[r].data.begin(), resources[r].data.end(), tree.begin() + static_cast<std::ptrdiff_t>(blobs[r]));
  }

  BuiltPe pe = WrapTree(tree, format);
  const auto absolute = [](std::vector<std::size_t> offsets) {
    for (std::size_t& offset : offsets) offset = offset == 0 ? 0 : offset + kSectionFileOffset;
    return offsets;
  };
  pe.typeDirectories = absolute(typeDirs);
  pe.languageDirectories = absolute(languageDirs);
  pe.dataEntries = absolute(dataEntries);
  pe.typeNames = absolute(names);
  pe.endOfLastData = resources.empty() ? 0 : kSectionFileOffset + blobs.back() + resources.back().data.size();
  return pe;
}

const Image kManifest = Text("<assembly manifestVersion=\"1.0\"/>");
const Image kPayload = Text("payload bytes of the runtime file!");

BuiltPe ManifestAndRuntime(Format format = Format::Pe32) {
  return BuildPe({{std::uint16_t{24}, 1, kManifest}, {u"RUNTIME", 102, kPayload}}, format);
}

std::vector<std::string> Describe(const std::vector<pe::PeResourceKey>& keys) {
  std::vector<std::string> described;
  for (const auto& key : keys) described.push_back(key.type + "/" + std::to_string(key.id) + "/" + std::to_string(key.size));
  return described;
}

TEST(PeResourceLookup, FindsIntegerAndNamedTypes) {
  const BuiltPe pe = ManifestAndRuntime();
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "#24", 1), kManifest);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "#024", 1), kManifest) << "FindResourceA reads the number in decimal";
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "RUNTIME", 102), kPayload);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "runtime", 102), kPayload);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "RunTime", 102), kPayload);
}

TEST(PeResourceLookup, MissingTypeOrIdIsNotFound) {
  const BuiltPe pe = ManifestAndRuntime();
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "#24", 2), std::nullopt);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "RUNTIME", 1), std::nullopt);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "#3", 1), std::nullopt);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "RUNTIM", 102), std::nullopt);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "RUNTIMES", 102), std::nullopt);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "24", 1), std::nullopt) << "without '#' the text is a type name";
  for (const char* malformed : {"#", "#x", "#24x", "#-24", "#65560"}) {
    EXPECT_EQ(pe::FindPeResource(pe.bytes, malformed, 1), std::nullopt) << malformed;
  }
}

TEST(PeResourceLookup, KeepsEachResourceApart) {
  const BuiltPe pe = BuildPe({{std::uint16_t{3}, 1, Text("icon one")},
                              {u"RUNTIME", 102, Text("first")},
                              {std::uint16_t{3}, 2, Text("icon two!")},
                              {u"RUNTIME", 103, Text("second file")},
                              {u"EMPTY", 7, {}}});
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "#3", 1), Text("icon one"));
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "#3", 2), Text("icon two!"));
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "RUNTIME", 102), Text("first"));
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "runtime", 103), Text("second file"));
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "empty", 7), Image{});
  EXPECT_EQ(Describe(pe::ListPeResources(pe.bytes)),
            (std::vector<std::string>{"#3/1/8", "#3/2/9", "RUNTIME/102/5", "RUNTIME/103/11", "EMPTY/7/0"}));
}

TEST(PeResourceLookup, ReadsPe32PlusImages) {
  BuiltPe pe = ManifestAndRuntime(Format::Pe32Plus);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "#24", 1), kManifest);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "runtime", 102), kPayload);
  // Read with PE32 field offsets, the same header holds no resource table.
  PutU16(pe.bytes, pe.optionalHeader, 0x10B);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "#24", 1), std::nullopt);
}

TEST(PeResourceImage, NonPeImagesHaveNoResources) {
  const BuiltPe good = ManifestAndRuntime();
  const auto broken = [&](std::size_t at, std::uint32_t value, bool wide) {
    Image bytes = good.bytes;
    wide ? PutU32(bytes, at, value) : PutU16(bytes, at, static_cast<std::uint16_t>(value));
    return bytes;
  };
  const std::vector<std::pair<const char*, Image>> cases = {
      {"empty", {}},
      {"plain text", Text(std::string(512, 'x'))},
      {"no MZ", broken(0, 0x4D5A, false)},
      {"PE offset past end", broken(0x3C, 0xFFFF'FFF0u, true)},
      {"no PE signature", broken(0x40, 0x4550'0000u, true)},
      {"ROM optional header", broken(good.optionalHeader, 0x107, false)},
      {"resource table not declared", broken(good.optionalHeader + 92, 2, true)},
      {"resource table RVA zero", broken(good.optionalHeader + 96 + 16, 0, true)},
      {"section count past end", broken(0x44 + 2, 0xFFFF, false)},
      {"section moved away", broken(good.sectionHeader + 12, 0x8000, true)},
  };
  for (const auto& [name, bytes] : cases) {
    EXPECT_EQ(pe::FindPeResource(bytes, "#24", 1), std::nullopt) << name;
    EXPECT_TRUE(pe::ListPeResources(bytes).empty()) << name;
  }
}

// Every prefix is copied into its own buffer so AddressSanitizer sees a read past its end.
TEST(PeResourceImage, TruncatedImageYieldsNothingUntilTheDataIsComplete) {
  const BuiltPe pe = ManifestAndRuntime();
  for (std::size_t length = 0; length < pe.endOfLastData; ++length) {
    const Image prefix(pe.bytes.begin(), pe.bytes.begin() + static_cast<std::ptrdiff_t>(length));
    ASSERT_EQ(pe::FindPeResource(prefix, "RUNTIME", 102), std::nullopt) << "length " << length;
    ASSERT_LT(pe::ListPeResources(prefix).size(), 2u) << "length " << length;
  }
  const Image exact(pe.bytes.begin(), pe.bytes.begin() + static_cast<std::ptrdiff_t>(pe.endOfLastData));
  EXPECT_EQ(pe::FindPeResource(exact, "RUNTIME", 102), kPayload);
}

TEST(PeResourceHostile, DataMustLieInTheFileBackedPartOfASection) {
  const BuiltPe good = ManifestAndRuntime();
  const std::size_t entry = good.dataEntries[0];
  const auto rawSize = static_cast<std::uint32_t>(good.bytes.size() - kSectionFileOffset);
  const auto withData = [&](std::uint32_t rva, std::uint32_t size) {
    BuiltPe pe = good;
    PutU32(pe.bytes, entry, rva);
    PutU32(pe.bytes, entry + 4, size);
    PutU32(pe.bytes, pe.sectionHeader + 8, 0x10000);  // memory extends well past the raw data
    pe.bytes.resize(pe.bytes.size() + 0x200, 0xEE);     // and the file goes on after it
    return pe::FindPeResource(pe.bytes, "#24", 1);
  };
  EXPECT_EQ(withData(0x9000, 4), std::nullopt) << "outside every section";
  EXPECT_EQ(withData(kSectionRva - 4, 4), std::nullopt) << "before the section";
  EXPECT_EQ(withData(kSectionRva + rawSize, 4), std::nullopt) << "zero-filled tail, not in the file";
  EXPECT_EQ(withData(kSectionRva + rawSize - 4, 5), std::nullopt) << "runs one byte past the raw data";
  EXPECT_EQ(withData(kSectionRva + 8, 0xFFFF'FFFFu), std::nullopt) << "claims 4 GB";
  EXPECT_EQ(withData(kSectionRva + rawSize - 4, 4), Image(4, 0)) << "ends exactly at the raw data's end";
}

TEST(PeResourceHostile, EntryCountsBeyondTheTreeAreCut) {
  BuiltPe pe = ManifestAndRuntime();
  PutU16(pe.bytes, pe.tree + 12, 0xFFFF);
  PutU16(pe.bytes, pe.tree + 14, 0xFFFF);
  PutU16(pe.bytes, pe.typeDirectories[1] + 14, 0xFFFF);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "RUNTIME", 102), kPayload);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "#24", 1), kManifest);

  const Image rootOnly(pe.bytes.begin(), pe.bytes.begin() + static_cast<std::ptrdiff_t>(pe.tree + 16 + 8 * 2 + 4));
  EXPECT_EQ(pe::FindPeResource(rootOnly, "#24", 1), std::nullopt);
  EXPECT_TRUE(pe::ListPeResources(rootOnly).empty());
}

TEST(PeResourceHostile, OffsetsPastTheEndOrBackUpTheTreeFindNothing) {
  const BuiltPe good = ManifestAndRuntime();
  const auto withU32 = [&](std::size_t at, std::uint32_t value) {
    BuiltPe pe = good;
    PutU32(pe.bytes, at, value);
    return pe.bytes;
  };
  const std::size_t manifestTypeEntry = good.tree + 16 + 4;
  const std::size_t manifestIdEntry = good.typeDirectories[0] + 16 + 4;
  const std::size_t manifestLanguageEntry = good.languageDirectories[0] + 16 + 4;
  const std::vector<std::pair<const char*, Image>> cases = {
      {"type directory past end", withU32(manifestTypeEntry, kSubdirectory | 0x7FFF'FFF0u)},
      {"language directory past end", withU32(manifestIdEntry, kSubdirectory | 0x7FFF'FFF0u)},
      {"data entry past end", withU32(manifestLanguageEntry, 0x7FFF'FFF0u)},
      {"type level ends in data", withU32(manifestTypeEntry, static_cast<std::uint32_t>(good.dataEntries[0] - good.tree))},
      {"id level points at the root", withU32(manifestIdEntry, kSubdirectory)},
      {"language level points at the root", withU32(manifestLanguageEntry, kSubdirectory)},
      {"type level points at the root", withU32(manifestTypeEntry, kSubdirectory)},
  };
  for (const auto& [name, bytes] : cases) {
    EXPECT_EQ(pe::FindPeResource(bytes, "#24", 1), std::nullopt) << name;
    EXPECT_EQ(pe::FindPeResource(bytes, "RUNTIME", 102), kPayload) << name << ": the other resource is intact";
  }
}

TEST(PeResourceHostile, TypeNameRunningPastTheEndIsSkipped) {
  BuiltPe pe = ManifestAndRuntime();
  PutU16(pe.bytes, pe.typeNames[1], 0xFFFF);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "RUNTIME", 102), std::nullopt);
  EXPECT_EQ(Describe(pe::ListPeResources(pe.bytes)), (std::vector<std::string>{"#24/1/33"}));
}

// Every type points at one shared directory of thousands of ids; a full listing would hold
// millions of entries, so the walk must give up long before that.
TEST(PeResourceHostile, SharedHugeDirectoryDoesNotMultiplyTheWork) {
  constexpr std::uint32_t kCount = 2000;
  const std::size_t shared = 16 + 8 * kCount;
  const std::size_t language = shared + 16 + 8 * kCount;
  const std::size_t dataEntry = language + 24;
  Image tree(dataEntry + 16 + 4, 0);
  PutDirectoryHeader(tree, 0, 0, kCount);
  PutDirectoryHeader(tree, shared, 0, kCount);
  for (std::uint32_t i = 0; i < kCount; ++i) {
    PutU32(tree, 16 + 8 * i, i);
    PutU32(tree, 20 + 8 * i, kSubdirectory | static_cast<std::uint32_t>(shared));
    PutU32(tree, shared + 16 + 8 * i, i);
    PutU32(tree, shared + 20 + 8 * i, kSubdirectory | static_cast<std::uint32_t>(language));
  }
  PutDirectoryHeader(tree, language, 0, 1);
  PutU32(tree, language + 20, static_cast<std::uint32_t>(dataEntry));
  PutU32(tree, dataEntry, static_cast<std::uint32_t>(kSectionRva + dataEntry + 16));
  PutU32(tree, dataEntry + 4, 4);
  const BuiltPe pe = WrapTree(tree, Format::Pe32);

  const std::size_t listed = pe::ListPeResources(pe.bytes).size();
  EXPECT_GT(listed, 0u);
  EXPECT_LT(listed, std::size_t{kCount} * kCount / 4);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "#1999", 1999), Image(4, 0));
}

// Dozens of types share one very long name; reading it over and over is work too, so the walk gives
// up before it reaches the integer type listed after them.
TEST(PeResourceHostile, RepeatedLongTypeNamesExhaustTheWalk) {
  constexpr std::uint32_t kNamedTypes = 64;
  constexpr std::uint16_t kNameLength = 8192;
  const std::size_t emptyDirectory = 16 + 8 * (kNamedTypes + 1);
  const std::size_t name = emptyDirectory + 16;
  const std::size_t idDirectory = name + 2 + 2 * kNameLength;
  const std::size_t language = idDirectory + 24;
  const std::size_t dataEntry = language + 24;
  Image tree(dataEntry + 16 + 4, 0);
  PutDirectoryHeader(tree, 0, kNamedTypes, 1);
  for (std::uint32_t i = 0; i < kNamedTypes; ++i) {
    PutU32(tree, 16 + 8 * i, kSubdirectory | static_cast<std::uint32_t>(name));
    PutU32(tree, 20 + 8 * i, kSubdirectory | static_cast<std::uint32_t>(emptyDirectory));
  }
  PutU32(tree, 16 + 8 * kNamedTypes, 24);
  PutU32(tree, 20 + 8 * kNamedTypes, kSubdirectory | static_cast<std::uint32_t>(idDirectory));
  PutU16(tree, name, kNameLength);
  for (std::size_t c = 0; c < kNameLength; ++c) PutU16(tree, name + 2 + 2 * c, 'A');
  PutDirectoryHeader(tree, idDirectory, 0, 1);
  PutU32(tree, idDirectory + 16, 1);
  PutU32(tree, idDirectory + 20, kSubdirectory | static_cast<std::uint32_t>(language));
  PutDirectoryHeader(tree, language, 0, 1);
  PutU32(tree, language + 20, static_cast<std::uint32_t>(dataEntry));
  PutU32(tree, dataEntry, static_cast<std::uint32_t>(kSectionRva + dataEntry + 16));
  PutU32(tree, dataEntry + 4, 4);
  BuiltPe pe = WrapTree(tree, Format::Pe32);
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "#24", 1), std::nullopt);

  PutU16(pe.bytes, pe.tree + name, 1);  // the same tree with a one-letter name is walked in full
  EXPECT_EQ(pe::FindPeResource(pe.bytes, "#24", 1), Image(4, 0));
}

TEST(PeResourceListing, OmitsResourcesWhoseBytesCannotBeRead) {
  BuiltPe pe = BuildPe({{std::uint16_t{24}, 1, kManifest}, {u"RUNTIME", 102, kPayload}, {u"RUNTIME", 103, Text("x")}});
  EXPECT_EQ(Describe(pe::ListPeResources(pe.bytes)),
            (std::vector<std::string>{"#24/1/33", "RUNTIME/102/34", "RUNTIME/103/1"}));
  PutU32(pe.bytes, pe.dataEntries[1], 0x9000);
  EXPECT_EQ(Describe(pe::ListPeResources(pe.bytes)), (std::vector<std::string>{"#24/1/33", "RUNTIME/103/1"}));
}

}  // namespace
