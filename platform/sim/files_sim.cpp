#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <optional>
#include <system_error>

#include "platform/files.h"
#include "platform/sim/host_file.h"
#include "platform/sim/sim_world.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

struct SimFile {
  std::FILE* stream;
  fs::path host;
  bool writer;
  bool deleteOnClose;
};

sim::World& World() { return sim::TheWorld(); }

SimFile* FromRaw(RawFile file) { return reinterpret_cast<SimFile*>(file); }

bool Fails(std::string_view operation) {
  return World().faults.ShouldFail(operation);
}

// A failure the fault plan asks of a removal or rename, by its system error
// code: 32 and 33 are sharing and lock violations, 5 is access denied.
std::optional<FileChange> PlannedChangeFailure(std::string_view operation) {
  const std::optional<std::int32_t> code = World().faults.Failure(operation);
  if (!code) return std::nullopt;
  if (*code == 32 || *code == 33) return FileChange::kSharingViolation;
  return *code == 5 ? FileChange::kAccessDenied : FileChange::kFailed;
}

bool IsOpen(const fs::path& host) { return World().openFiles.contains(host); }

bool IsOpenForWriting(const fs::path& host) {
  auto open = World().openFiles.find(host);
  return open != World().openFiles.end() && open->second.writers > 0;
}

bool IsReadOnly(const fs::path& host) {
  auto record = World().fileRecords.find(host);
  return record != World().fileRecords.end() &&
         (record->second.attributes & file_attribute::kReadOnly) != 0;
}

// Why the file cannot be deleted, written or replaced now: another handle
// open on it, another process's or one of ours, is a sharing violation; a
// module loaded elsewhere or the read-only attribute is access denied.
FileChange ChangeBlocker(const fs::path& host) {
  if (World().lockedFiles.contains(host) || IsOpen(host)) {
    return FileChange::kSharingViolation;
  }
  if (World().loadedElsewhere.contains(host) || IsReadOnly(host)) {
    return FileChange::kAccessDenied;
  }
  return FileChange::kDone;
}

bool IsFreeToChange(const fs::path& host) {
  return ChangeBlocker(host) == FileChange::kDone;
}

// Whether `name` matches `pattern`, whose `*` stands for any run of
// characters and `?` for any one, ignoring case as Windows does.
bool MatchesWildcards(std::string_view name, std::string_view pattern) {
  if (pattern.empty()) return name.empty();
  if (pattern.front() == '*') {
    for (std::size_t skip = 0; skip <= name.size(); ++skip) {
      if (MatchesWildcards(name.substr(skip), pattern.substr(1))) return true;
    }
    return false;
  }
  return !name.empty() &&
         (pattern.front() == '?' ||
          std::tolower(static_cast<unsigned char>(pattern.front())) ==
              std::tolower(static_cast<unsigned char>(name.front()))) &&
         MatchesWildcards(name.substr(1), pattern.substr(1));
}

constexpr std::uint32_t kTunnellingMilliseconds = 15000;

// A file leaves `host`: its creation time stays behind for a while.
void LeaveCreationBehind(const fs::path& host) {
  auto record = World().fileRecords.find(host);
  if (record != World().fileRecords.end() && record->second.creation) {
    World().tunnelledCreations[host] = {*record->second.creation,
                                        World().tickCount};
  }
}

// A file takes the name `host`: it gets the creation time a file of that
// name left moments ago.
void TakeCreationLeftBehind(const fs::path& host) {
  auto left = World().tunnelledCreations.find(host);
  if (left == World().tunnelledCreations.end()) return;
  if (World().tickCount - left->second.tickCount < kTunnellingMilliseconds) {
    World().fileRecords[host].creation = left->second.creation;
  }
  World().tunnelledCreations.erase(left);
}

RawFile Wrap(std::FILE* stream, const fs::path& host, bool writer,
             bool deleteOnClose = false) {
  if (stream == nullptr) return nullptr;
  sim::SimOpenFile& open = World().openFiles[host];
  (writer ? open.writers : open.readers) += 1;
  return reinterpret_cast<RawFile>(
      new SimFile{stream, host, writer, deleteOnClose});
}

// Closes the stream and forgets the handle; a file made to be deleted on
// close goes with its last handle. Whether the stream closed cleanly.
bool Unwrap(SimFile* file) {
  const bool closed = std::fclose(file->stream) == 0;
  auto open = World().openFiles.find(file->host);
  if (open == World().openFiles.end()) {
    // Opened in a world that has been reset since.
    delete file;
    return closed;
  }
  (file->writer ? open->second.writers : open->second.readers) -= 1;
  if (open->second.readers == 0 && open->second.writers == 0) {
    World().openFiles.erase(open);
    if (file->deleteOnClose) {
      std::error_code ignored;
      fs::remove(file->host, ignored);
      World().fileRecords.erase(file->host);
    } else if (file->writer && World().afterWriterCloses) {
      World().afterWriterCloses(file->host);
    }
  }
  delete file;
  return closed;
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
      IsOpenForWriting(host) || !fs::is_regular_file(host)) {
    return nullptr;
  }
  return Wrap(sim::OpenHostFile(host, sim::HostOpen::kRead), host, false);
}

RawFile CreateFileForWriting(const std::string& path, CreateMode mode,
                             std::uint32_t attributes) {
  const fs::path host = World().HostPath(path);
  if (Fails("CreateFileForWriting") || fs::is_directory(host) ||
      !IsFreeToChange(host)) {
    return nullptr;
  }
  std::FILE* stream = sim::OpenHostFile(
      host, mode == CreateMode::kCreateNew ? sim::HostOpen::kCreateNew
                                           : sim::HostOpen::kReplace);
  if (stream == nullptr) return nullptr;
  // A new file always carries the archive attribute, as on Windows.
  sim::SimFileRecord record;
  record.attributes =
      (attributes & ~file_attribute::kNormal) | file_attribute::kArchive;
  World().fileRecords[host] = record;
  TakeCreationLeftBehind(host);
  return Wrap(stream, host, true);
}

RawFile CreateTemporaryFile(const std::string& path) {
  const fs::path host = World().HostPath(path);
  if (Fails("CreateTemporaryFile") || fs::exists(host)) return nullptr;
  std::FILE* stream =
      sim::OpenHostFile(host, sim::HostOpen::kCreateNewReadWrite);
  if (stream == nullptr) return nullptr;
  World().fileRecords[host].attributes =
      file_attribute::kArchive | file_attribute::kTemporary;
  return Wrap(stream, host, true, true);
}

void CloseFile(RawFile file) noexcept {
  if (file != nullptr) Unwrap(FromRaw(file));
}

bool CloseFileReporting(RawFile file) {
  const bool failing = Fails("CloseFileReporting");
  return Unwrap(FromRaw(file)) && !failing;
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
  const std::optional<std::uint64_t> moved =
      sim::SeekHostFile(FromRaw(file)->stream, offset, whence);
  if (!moved) return false;
  position = *moved;
  return true;
}

std::uint32_t QueryFileAttributes(const std::string& path) {
  // GetFileAttributesA fails for what exists too (access denied).
  if (Fails("QueryFileAttributes")) return file_attribute::kInvalid;
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

bool ApplyFileTimes(const std::string& path, const FileTime* creation,
                    const FileTime* access, const FileTime* modification) {
  const fs::path host = World().HostPath(path);
  if (Fails("ApplyFileTimes") || !fs::is_regular_file(host)) return false;
  sim::SimFileRecord& record = World().fileRecords[host];
  if (creation != nullptr) record.creation = *creation;
  if (access != nullptr) record.access = *access;
  if (modification != nullptr) record.modification = *modification;
  return true;
}

std::vector<std::string> FindFileNames(const std::string& pattern) {
  std::vector<std::string> names;
  const std::size_t cut = pattern.rfind('\\');
  if (Fails("FindFileNames") || cut == std::string::npos) return names;
  const fs::path folder = World().HostPath(pattern.substr(0, cut));
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() &&
        MatchesWildcards(name, std::string_view(pattern).substr(cut + 1))) {
      names.push_back(name);
    }
  }
  return names;
}

bool CreateFolder(const std::string& path) {
  if (Fails("CreateFolder")) return false;
  std::error_code error;
  return fs::create_directory(World().HostPath(path), error) && !error;
}

bool RemoveFolder(const std::string& path) {
  const fs::path host = World().HostPath(path);
  std::error_code error;
  return !Fails("RemoveFolder") && fs::is_directory(host) &&
         fs::remove(host, error) && !error;
}

FileChange RemoveFile(const std::string& path) {
  const fs::path host = World().HostPath(path);
  if (const auto planned = PlannedChangeFailure("RemoveFile")) return *planned;
  if (!fs::is_regular_file(host)) return FileChange::kFailed;
  if (const FileChange blocker = ChangeBlocker(host);
      blocker != FileChange::kDone) {
    return blocker;
  }
  std::error_code error;
  if (!fs::remove(host, error)) return FileChange::kFailed;
  LeaveCreationBehind(host);
  World().fileRecords.erase(host);
  return FileChange::kDone;
}

bool IsHeldOpen(const std::string& path) {
  const fs::path host = World().HostPath(path);
  return World().lockedFiles.contains(host) || IsOpen(host);
}

FileChange RenameFile(const std::string& from, const std::string& to,
                      bool replaceExisting) {
  const fs::path source = World().HostPath(from);
  const fs::path target = World().HostPath(to);
  if (const auto planned = PlannedChangeFailure("RenameFile")) return *planned;
  if (!fs::is_regular_file(source)) return FileChange::kFailed;
  // A read-only file can be renamed, but not replaced; nor can an open one
  // be renamed, as its handle does not share deletion.
  if (World().lockedFiles.contains(source) || IsOpen(source)) {
    return FileChange::kSharingViolation;
  }
  if (fs::exists(target)) {
    if (!replaceExisting || !fs::is_regular_file(target)) {
      return FileChange::kFailed;
    }
    if (const FileChange blocker = ChangeBlocker(target);
        blocker != FileChange::kDone) {
      return blocker;
    }
  }
  std::error_code error;
  fs::rename(source, target, error);
  if (error) return FileChange::kFailed;
  LeaveCreationBehind(target);
  auto record = World().fileRecords.extract(source);
  World().fileRecords.erase(target);
  if (record) {
    record.key() = target;
    World().fileRecords.insert(std::move(record));
  }
  TakeCreationLeftBehind(target);
  return FileChange::kDone;
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
