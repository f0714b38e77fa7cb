#include "resources/zip/zip_reader.h"

#include <new>
#include <span>
#include <utility>

#include "common/narrow_text.h"
#include "resources/zip/zip_paths.h"
#include "resources/zip/zip_time.h"

namespace {

using namespace zip_status;
namespace attribute = platform::file_attribute;

bool WriteAll(platform::RawFile output, const std::uint8_t* data,
              std::uint32_t size) {
  std::uint32_t done = 0;
  return platform::WriteToFile(output, data, size, done) && done == size;
}

std::string BaseFolder() {
  std::string folder = platform::CurrentFolder();
  if (!EndsWithCharacter(folder, '\\') && !EndsWithCharacter(folder, '/')) {
    folder += '\\';
  }
  return folder;
}

}  // namespace

ZipReader::ZipReader(std::unique_ptr<ZipDirectory> directory,
                     std::optional<std::string> password,
                     std::string baseFolder)
    : directory_(std::move(directory)),
      password_(std::move(password)),
      baseFolder_(std::move(baseFolder)) {}

ZipStatus ZipReader::Describe(std::int32_t index, ZipEntryInfo& info) {
  if (index < 0 ||
      static_cast<std::uint32_t>(index) >= directory_->EntryCount()) {
    return kBadIndex;
  }
  ZipLocalLayout local;
  if (directory_->MoveTo(static_cast<std::uint32_t>(index)) !=
          zip_result::kOk ||
      directory_->CheckLocalHeader(local) != zip_result::kOk) {
    return kBadLocalHeader;
  }
  if (!directory_->ReadAt(local.extraPosition, localExtra_.data(),
                          local.extraSize)) {
    return kBadExtraField;
  }
  const ZipCentralRecord& central = directory_->Current();
  const std::optional<platform::FileTime> dosTime =
      DosTimeToFileTime(central.dosTime);
  ZipEntryTimes times{dosTime, dosTime, dosTime};
  ApplyExtendedTimestamp(std::span(localExtra_.data(), local.extraSize), times);

  info.index = index;
  info.name = CleanEntryName(central.name);
  info.attributes =
      EntryAttributes(central.versionMadeBy, central.externalAttributes);
  info.access = times.access;
  info.creation = times.creation;
  info.modification = times.modification;
  info.compressedSize = static_cast<std::int32_t>(central.compressedSize);
  info.uncompressedSize = static_cast<std::int32_t>(central.uncompressedSize);
  return kOk;
}

ZipStatus ZipReader::Extract(std::int32_t index,
                             const std::string& targetPath) {
  ZipEntryInfo info;
  if (const ZipStatus status = Describe(index, info); status != kOk) {
    return status;
  }
  if ((info.attributes & attribute::kDirectory) != 0) {
    return MakeFolder(targetPath);
  }
  std::string path;
  if (!PrepareOutputPath(baseFolder_, targetPath, path)) return kCannotOpen;
  return WriteFile(info, path);
}

ZipStatus ZipReader::ExtractInto(std::int32_t index,
                                 platform::RawFile output,
                                 ZipEntryInfo& info) {
  if (const ZipStatus status = Describe(index, info); status != kOk) {
    return status;
  }
  // A folder has no bytes to put into a file.
  if ((info.attributes & attribute::kDirectory) != 0) return kCannotOpen;
  return PumpEntry(output);
}

ZipStatus ZipReader::MakeFolder(const std::string& targetPath) {
  const std::string_view base =
      IsAbsolutePath(targetPath) ? std::string_view() : baseFolder_;
  if (!EnsureDirectory(base, targetPath)) return kCannotOpen;
  const std::uint32_t made =
      platform::QueryFileAttributes(std::string(base) + targetPath);
  return made != attribute::kInvalid && (made & attribute::kDirectory) != 0
             ? kOk
             : kCannotOpen;
}

ZipStatus ZipReader::WriteFile(const ZipEntryInfo& info,
                               const std::string& path) {
  platform::UniqueFile output(platform::CreateFileForWriting(
      path, platform::CreateMode::kCreateOrTruncate, attribute::kNormal));
  if (!output) return kCannotOpen;
  const ZipStatus status = PumpEntry(output.Get());
  output.Reset();
  if (status != kOk) {
    platform::RemoveFile(path);
    return status;
  }
  // Only once the file is whole: a read-only file could not be removed
  // again had its data turned out damaged.
  ApplyEntryTimesAndAttributes(info, path);
  return kOk;
}

ZipStatus ZipReader::PumpEntry(platform::RawFile output) {
  // An entry that cannot be opened fails at its first read.
  directory_->OpenEntry(password_);
  if (!outputBuffer_) {
    outputBuffer_.reset(new (std::nothrow) std::uint8_t[kOutputBufferSize]);
  }
  ZipStatus status = kBadData;
  while (outputBuffer_) {
    bool end = false;
    const int n =
        directory_->ReadEntry(outputBuffer_.get(), kOutputBufferSize, end);
    if (n < 0) {
      status = n == zip_result::kBadPassword ? kBadPassword : kBadData;
      break;
    }
    if (n > 0 &&
        !WriteAll(output, outputBuffer_.get(), static_cast<std::uint32_t>(n))) {
      status = kWriteFailed;
      break;
    }
    if (end) {
      status = kOk;
      break;
    }
    if (n == 0) break;
  }
  if (directory_->CloseEntry() != zip_result::kOk && status == kOk) {
    status = kBadData;
  }
  return status;
}

ZipHandle OpenZipFile(const std::string& path,
                      const std::optional<std::string>& password) {
  platform::UniqueFile file(platform::OpenFileForReading(path));
  if (!file) return nullptr;
  return OpenZipArchive(std::move(file), password);
}

ZipHandle OpenZipArchive(platform::UniqueFile file,
                         const std::optional<std::string>& password) {
  std::string baseFolder = BaseFolder();
  std::unique_ptr<ZipDirectory> directory;
  if (ZipDirectory::Open(ZipInput(std::move(file)), directory) !=
      zip_result::kOk) {
    return nullptr;
  }
  return std::make_unique<ZipReader>(std::move(directory), password,
                                     std::move(baseFolder));
}

ZipStatus GetZipEntry(ZipReader& zip, std::int32_t index, ZipEntryInfo& info) {
  return zip.Describe(index, info);
}

ZipStatus ExtractZipEntry(ZipReader& zip, std::int32_t index,
                          const std::string& targetPath) {
  return zip.Extract(index, targetPath);
}

ZipStatus ExtractZipEntryInto(ZipReader& zip, std::int32_t index,
                              platform::RawFile output, ZipEntryInfo& info) {
  return zip.ExtractInto(index, output, info);
}

ZipStatus CloseZip(ZipHandle zip) {
  zip.reset();
  return kOk;
}
