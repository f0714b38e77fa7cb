#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "pe/pe_exports.h"
#include "pe/pe_image.h"
#include "pe/pe_imports.h"
#include "tests/support/little_endian.h"

namespace {

using Image = std::vector<std::uint8_t>;

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::size_t kSectionFileOffset = 0x200;
constexpr std::size_t kOptionalHeader = 0x58;
constexpr std::size_t kDirectories = kOptionalHeader + 96;

// A PE32 image of one section, laid out as the linker would: headers, then
// the section's data at kSectionFileOffset, mapped at kSectionRva. Tables
// and names are appended to the section; Finish writes the headers.
class PeBuilder {
 public:
  // The RVA of `bytes` appended to the section.
  std::uint32_t Append(const Image& bytes) {
    const auto rva = static_cast<std::uint32_t>(kSectionRva + section_.size());
    section_.insert(section_.end(), bytes.begin(), bytes.end());
    return rva;
  }
  std::uint32_t AppendText(const std::string& text) {
    Image bytes(text.begin(), text.end());
    bytes.push_back(0);
    return Append(bytes);
  }
  void SetDirectory(pe::DataDirectoryIndex index, std::uint32_t rva) {
    directories_[static_cast<std::size_t>(index)] = rva;
  }

  Image Finish(std::uint16_t characteristics = 0x0102, std::uint16_t subsystem = 2) const {
    Image bytes(kSectionFileOffset, 0);
    PutU16(bytes, 0, 0x5A4D);
    PutU32(bytes, 0x3C, 0x40);
    PutU32(bytes, 0x40, 0x4550);
    PutU16(bytes, 0x44, pe::kMachineI386);
    PutU16(bytes, 0x46, 1);
    PutU16(bytes, 0x54, 96 + 16 * 8);
    PutU16(bytes, 0x56, characteristics);
    PutU16(bytes, kOptionalHeader, pe::kPe32Magic);
    PutU16(bytes, kOptionalHeader + 68, subsystem);
    PutU32(bytes, kDirectories - 4, 16);
    for (std::size_t index = 0; index < 3; ++index) PutU32(bytes, kDirectories + index * 8, directories_[index]);
    const std::size_t sectionHeader = kOptionalHeader + 96 + 16 * 8;
    PutU32(bytes, sectionHeader + 8, static_cast<std::uint32_t>(section_.size()));
    PutU32(bytes, sectionHeader + 12, kSectionRva);
    PutU32(bytes, sectionHeader + 16, static_cast<std::uint32_t>(section_.size()));
    PutU32(bytes, sectionHeader + 20, kSectionFileOffset);
    bytes.insert(bytes.end(), section_.begin(), section_.end());
    return bytes;
  }

 private:
  Image section_;
  std::uint32_t directories_[3] = {};
};

// An export directory naming `names`, claiming `claimed` names (their
// number unless given).
PeBuilder WithExports(const std::vector<std::string>& names, std::uint32_t claimed = UINT32_MAX) {
  PeBuilder builder;
  Image table;
  for (const std::string& name : names) {
    const std::uint32_t rva = builder.AppendText(name);
    PutU32(table, table.size(), rva);
  }
  const std::uint32_t tableRva = builder.Append(table);
  Image directory(40, 0);
  PutU32(directory, 24, claimed == UINT32_MAX ? static_cast<std::uint32_t>(names.size()) : claimed);
  PutU32(directory, 32, tableRva);
  builder.SetDirectory(pe::DataDirectoryIndex::kExport, builder.Append(directory));
  return builder;
}

// Import descriptors naming `dlls` (an RVA of 0xFFFF'0000 for a name that
// cannot be read), closed by the empty one unless `closed` is false.
PeBuilder WithImports(const std::vector<std::string>& dlls, bool closed = true) {
  PeBuilder builder;
  Image descriptors;
  for (const std::string& dll : dlls) {
    const std::uint32_t rva = dll.empty() ? 0xFFFF'0000u : builder.AppendText(dll);
    descriptors.resize(descriptors.size() + 20, 0);
    PutU32(descriptors, descriptors.size() - 8, rva);
  }
  if (closed) descriptors.resize(descriptors.size() + 20, 0);
  builder.SetDirectory(pe::DataDirectoryIndex::kImport, builder.Append(descriptors));
  return builder;
}

std::vector<std::string> Exports(const Image& bytes) { return pe::ListPeExportNames(*pe::PeImage::Open(bytes)); }

TEST(PeImage, ReadsWhatTheHeadersSayTheImageIs) {
  const Image program = PeBuilder().Finish();
  const auto image = pe::PeImage::Open(program);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Machine(), pe::kMachineI386);
  EXPECT_EQ(image->Magic(), pe::kPe32Magic);
  EXPECT_EQ(image->Subsystem(), pe::kSubsystemWindowsGui);
  EXPECT_EQ(image->Characteristics() & pe::kCharacteristicDll, 0);
  const Image dll = PeBuilder().Finish(0x2102, 3);
  EXPECT_NE(pe::PeImage::Open(dll)->Characteristics() & pe::kCharacteristicDll, 0);
  EXPECT_EQ(pe::PeImage::Open(dll)->Subsystem(), pe::kSubsystemWindowsConsole);
  EXPECT_FALSE(image->Directory(pe::DataDirectoryIndex::kExport)) << "a directory without an address is none";
}

TEST(PeImage, ExportNamesComeInTableOrder) {
  EXPECT_EQ(Exports(WithExports({"RtmGetVersion", "WeRTlwN", "cWeuyRtj"}).Finish()),
            (std::vector<std::string>{"RtmGetVersion", "WeRTlwN", "cWeuyRtj"}));
  EXPECT_TRUE(Exports(PeBuilder().Finish()).empty());
}

TEST(PeImage, ExportTableIsReadOnlyAsFarAsTheFileHoldsIt) {
  // A count of four billion is cut to the names the section has room for.
  EXPECT_EQ(Exports(WithExports({"RtmGetVersion"}, 0xFFFF'FFFFu).Finish()).front(), "RtmGetVersion");
  // Of names outside the file or whose NUL lies past the section's data,
  // only the readable one is left.
  PeBuilder builder;
  const std::uint32_t readable = builder.AppendText("WeRTlwN");
  const std::uint32_t tableRva = readable + 8;  // after the name and its NUL
  const std::uint32_t directoryRva = tableRva + 12;
  const std::uint32_t unterminated = directoryRva + 40;
  Image table(12, 0);
  PutU32(table, 0, 0xFFFF'0000u);
  PutU32(table, 4, readable);
  PutU32(table, 8, unterminated);
  builder.Append(table);
  Image directory(40, 0);
  PutU32(directory, 24, 3);
  PutU32(directory, 32, tableRva);
  builder.SetDirectory(pe::DataDirectoryIndex::kExport, builder.Append(directory));
  builder.Append({'c', 'W', 'e'});
  EXPECT_EQ(Exports(builder.Finish()), (std::vector<std::string>{"WeRTlwN"}));
}

TEST(PeImage, ImportsListEveryDllOfAClosedTable) {
  const Image image = WithImports({"KERNEL32.dll", "USER32.dll"}).Finish();
  const pe::PeImports imports = pe::ListPeImports(*pe::PeImage::Open(image));
  EXPECT_TRUE(imports.complete);
  EXPECT_EQ(imports.dlls, (std::vector<std::string>{"KERNEL32.dll", "USER32.dll"}));
  const Image none = PeBuilder().Finish();
  EXPECT_TRUE(pe::ListPeImports(*pe::PeImage::Open(none)).complete);
}

TEST(PeImage, ImportsThatCannotBeReadToTheEndAreIncomplete) {
  const struct {
    const char* what;
    Image image;
  } cases[] = {
      {"no closing descriptor", WithImports({"KERNEL32.dll"}, false).Finish()},
      {"a name outside the file", WithImports({"KERNEL32.dll", ""}).Finish()},
  };
  for (const auto& [what, image] : cases) {
    const pe::PeImports imports = pe::ListPeImports(*pe::PeImage::Open(image));
    EXPECT_FALSE(imports.complete) << what;
    EXPECT_EQ(imports.dlls, (std::vector<std::string>{"KERNEL32.dll"})) << what;
  }
}

// Each cut lives in a buffer of its own, so a read past it is caught by the
// sanitizers; what a cut image lists is never more than the whole lists.
TEST(PeImage, EveryCutOfAnImageIsReadWithinItsBytes) {
  const Image exports = WithExports({"RtmGetVersion", "WeRTlwN"}).Finish();
  const Image imports = WithImports({"KERNEL32.dll"}).Finish();
  for (const Image& whole : {exports, imports}) {
    const auto all = pe::PeImage::Open(whole);
    const std::vector<std::string> allNames = pe::ListPeExportNames(*all);
    const std::vector<std::string> allDlls = pe::ListPeImports(*all).dlls;
    for (std::size_t length = 0; length < whole.size(); ++length) {
      const Image cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
      const auto image = pe::PeImage::Open(cut);
      if (!image) continue;
      for (const std::string& name : pe::ListPeExportNames(*image)) {
        EXPECT_NE(std::ranges::find(allNames, name), allNames.end()) << "length " << length;
      }
      const pe::PeImports cutImports = pe::ListPeImports(*image);
      EXPECT_FALSE(cutImports.complete && !allDlls.empty()) << "length " << length;
    }
    EXPECT_FALSE(pe::PeImage::Open(Image(whole.begin(), whole.begin() + 0x150))) << "section table cut";
  }
}

}  // namespace
