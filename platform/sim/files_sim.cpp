#include <algorithm>
#include <cstdio>
#include <ctime>
#include <system_error>

#include "platform/files.h"
#include "platform/sim/sim_world.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

struct SimFile {
  std::FILE* stream;
  fs::path host;
};

sim::World& World() { return sim::TheWorld(); }

SimFile* FromRaw(RawFile file) { return reinterpret_cast<SimFile*>(file); }

bool Fails(std::string_view operation) {
  return World().faults.ShouldFail(operation);
}

bool IsLockedOrReadOnly(const fs::path& host) {
  if (World().lockedFiles.contains(host)) return true;
  auto record = World().fileRecords.find(host);
  return record != World().fileRecords.end() &&
         (record->second.attributes & file_attribute::kReadOnly) != 0;
}

RawFile Wrap(std::FILE* stream, const fs::path& host) {
  return stream == nullptr
             ? nullptr
             : reinterpret_cast<RawFile>(new SimFile{stream, host});
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

constexpr std::int64_t kTicksPerSecond = 10'000'000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kUnixEpochSeconds = 11'644'473'600;

}  // namespace

RawFile OpenFileForReading(const std::string& path) {
  const fs::path host = World().HostPath(path);
  if (Fails("OpenFileForReading") || World().lockedFiles.contains(host) ||
      !fs::is_regular_file(host)) {
    return nullptr;
  }
  return Wrap(std::fopen(host.c_str(), "rb"), host);
}

RawFile CreateFileForWriting(const std::string& path, CreateMode mode,
                             std::uint32_t attributes) {
  const fs::path host = World().HostPath(path);
  if (Fails("CreateFileForWriting") || fs::is_directory(host) ||
      IsLockedOrReadOnly(host)) {
    return nullptr;
  }
  std::FILE* stream =
      std::fopen(host.c_str(), mode == CreateMode::kCreateNew ? "wxb" : "wb");
  if (stream == nullptr) return nullptr;
  // A new file always carries the archive attribute, as on Windows.
  sim::SimFileRecord record;
  record.attributes =
      (attributes & ~file_attribute::kNormal) | file_attribute::kArchive;
  World().fileRecords[host] = record;
  return Wrap(stream, host);
}

void CloseFile(RawFile file) noexcept {
  if (file == nullptr) return;
  std::fclose(FromRaw(file)->stream);
  delete FromRaw(file);
}

bool CloseFileReporting(RawFile file) {
  const bool failing = Fails("CloseFileReporting");
  const bool closed = std::fclose(FromRaw(file)->stream) == 0;
  delete FromRaw(file);
  return closed && !failing;
}

bool ReadFromFile(RawFile file, void* buffer, std::uint32_t size,
                  std::uint32_t& done) {
  done = 0;
  if (Fails("ReadFromFile")) return false;
  std::FILE* stream = FromRaw(file)->stream;
  done = static_cast<std::uint32_t>(std::fread(buffer, 1, size, stream));
  return std::ferror(stream) == 0;
}

bool WriteToFile(RawFile file, const void* data, std::uint32_t size,
                 std::uint32_t& done) {
  done = 0;
  if (Fails("WriteToFile")) return false;
  done = static_cast<std::uint32_t>(
      std::fwrite(data, 1, size, FromRaw(file)->stream));
  return done == size;
}

bool SeekFile(RawFile file, std::int64_t offset, SeekOrigin origin,
              std::uint64_t& position) {
  if (Fails("SeekFile")) return false;
  const int whence = origin == SeekOrigin::kBegin     ? SEEK_SET
                     : origin == SeekOrigin::kCurrent ? SEEK_CUR
                                                      : SEEK_END;
  std::FILE* stream = FromRaw(file)->stream;
  if (fseeko(stream, offset, whence) != 0) return false;
  position = static_cast<std::uint64_t>(ftello(stream));
  return true;
}

bool SetFileTimes(RawFile file, const FileTime* creation,
                  const FileTime* access, const FileTime* modification) {
  if (Fails("SetFileTimes")) return false;
  sim::SimFileRecord& record = World().fileRecords[FromRaw(file)->host];
  if (creation != nullptr) record.creation = *creation;
  if (access != nullptr) record.access = *access;
  if (modification != nullptr) record.modification = *modification;
  return true;
}

std::uint32_t QueryFileAttributes(const std::string& path) {
  const fs::path host = World().HostPath(path);
  std::error_code error;
  const fs::file_status status = fs::status(host, error);
  if (error || !fs::exists(status)) return file_attribute::kInvalid;
  if (fs::is_directory(status)) return file_attribute::kDirectory;
  auto record = World().fileRecords.find(host);
  return record == World().fileRecords.end() ? file_attribute::kArchive
                                             : record->second.attributes;
}

bool ApplyFileAttributes(const std::string& path, std::uint32_t attributes) {
  const fs::path host = World().HostPath(path);
  if (Fails("ApplyFileAttributes") || !fs::is_regular_file(host)) return false;
  World().fileRecords[host].attributes = attributes;
  return true;
}

bool CreateFolder(const std::string& path) {
  if (Fails("CreateFolder")) return false;
  std::error_code error;
  return fs::create_directory(World().HostPath(path), error) && !error;
}

bool RemoveFile(const std::string& path) {
  const fs::path host = World().HostPath(path);
  if (Fails("RemoveFile") || IsLockedOrReadOnly(host) ||
      !fs::is_regular_file(host)) {
    return false;
  }
  std::error_code error;
  if (!fs::remove(host, error)) return false;
  World().fileRecords.erase(host);
  return true;
}

std::string CurrentFolder() {
  return Fails("CurrentFolder") ? std::string() : World().currentFolder;
}

std::string TempFolder() {
  return Fails("TempFolder") ? std::string() : World().tempFolder;
}

bool SystemTimeToFileTime(const SystemTime& time, FileTime& fileTime) {
  static constexpr unsigned kDaysInMonth[] = {31, 29, 31, 30, 31, 30,
                                              31, 31, 30, 31, 30, 31};
  const bool leap = time.year % 4 == 0 && (time.year % 100 != 0 || time.year % 400 == 0);
  if (time.year < 1601 || time.year > 30827 || time.month < 1 ||
      time.month > 12 || time.day < 1 ||
      time.day > kDaysInMonth[time.month - 1] ||
      (time.month == 2 && time.day == 29 && !leap) || time.hour > 23 ||
      time.minute > 59 || time.second > 59 || time.milliseconds > 999) {
    return false;
  }
  const std::int64_t seconds =
      DaysFromCivil(time.year, time.month, time.day) * 86400 +
      time.hour * 3600 + time.minute * 60 + time.second + kUnixEpochSeconds;
  fileTime.ticks = static_cast<std::uint64_t>(
      seconds * kTicksPerSecond + time.milliseconds * 10'000);
  return true;
}

bool LocalFileTimeToFileTime(const FileTime& local, FileTime& utc) {
  utc.ticks = local.ticks - static_cast<std::uint64_t>(
                                World().localTimeOffsetSeconds * kTicksPerSecond);
  return true;
}

}  // namespace platform
