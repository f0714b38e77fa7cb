#pragma once

// A PE file's headers and sections, read from its bytes as they lie on disk
// (not as the loader maps them): what the image is, where its data
// directories point, and the file bytes behind an address (RVA). The
// resource, export and import readers stand on it. Nothing is copied; the
// image must outlive the PeImage.

#include <cstdint>
#include <optional>
#include <string>

#include "pe/pe_bytes.h"

namespace pe {

inline constexpr std::uint16_t kMachineI386 = 0x14C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;
inline constexpr std::uint16_t kPe32Magic = 0x10B;
inline constexpr std::uint16_t kPe32PlusMagic = 0x20B;
inline constexpr std::uint16_t kSubsystemWindowsGui = 2;
inline constexpr std::uint16_t kSubsystemWindowsConsole = 3;
// COFF characteristics bit of a DLL.
inline constexpr std::uint16_t kCharacteristicDll = 0x2000;

// The certificate table's entry gives a file offset where the others give an
// address (RVA): it is not loaded with the image.
enum class DataDirectoryIndex : std::uint32_t { kExport = 0, kImport = 1, kResource = 2, kCertificates = 4 };

struct DataDirectory {
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
};

class PeImage {
 public:
  // Nothing unless the DOS header, the PE signature, the COFF header, a PE32
  // or PE32+ optional header and the section table all lie within `image`.
  static std::optional<PeImage> Open(Bytes image);

  std::uint16_t Machine() const { return machine_; }
  std::uint16_t Characteristics() const { return characteristics_; }
  // kPe32Magic or kPe32PlusMagic.
  std::uint16_t Magic() const { return magic_; }
  // 0 when the optional header is too short to hold the field.
  std::uint16_t Subsystem() const { return subsystem_; }

  // The directory when the header both declares it and has room for it, and
  // gives it an address.
  std::optional<DataDirectory> Directory(DataDirectoryIndex index) const;
  // The bytes from `rva` to the end of the file-backed part of the section
  // holding it; nothing when no section's file data holds `rva`.
  std::optional<Bytes> BytesAtRva(std::uint64_t rva) const;
  // The NUL-terminated text at `rva`, of at most `maxLength` characters;
  // nothing when no NUL comes within that or within the section's data.
  std::optional<std::string> TextAtRva(std::uint64_t rva, std::size_t maxLength) const;

  // Where the headers lie in the file, for code that rewrites them. All lie
  // within the image (Open checked), the section table included.
  std::uint64_t OptionalHeaderOffset() const { return optionalHeader_; }
  std::uint64_t OptionalHeaderSize() const { return optionalSize_; }
  // The data directories' offset in the optional header: 96 in PE32, 112 in
  // PE32+ (NumberOfRvaAndSizes lies just before them).
  std::uint64_t DirectoriesOffset() const { return directories_; }
  std::uint64_t SectionTableOffset() const { return sectionTable_; }
  std::uint16_t SectionCount() const { return sectionCount_; }

 private:
  explicit PeImage(Bytes image) : image_(image) {}

  Bytes image_;
  std::uint16_t machine_ = 0;
  std::uint16_t characteristics_ = 0;
  std::uint16_t magic_ = 0;
  std::uint16_t subsystem_ = 0;
  std::uint64_t optionalHeader_ = 0;
  std::uint64_t optionalSize_ = 0;
  std::uint64_t directories_ = 0;  // offset of the data directories in the optional header
  std::uint64_t sectionTable_ = 0;
  std::uint16_t sectionCount_ = 0;
};

}  // namespace pe
