#include "install/pending_file.h"

#include <optional>
#include <utility>

#include "common/narrow_text.h"
#include "common/path_limits.h"
#include "install/installed_file.h"
#include "platform/process.h"
#include "platform/random.h"

namespace {

constexpr char kPartialSuffix[] = ".partial";

// How many names beside the place are tried when one is taken.
constexpr int kNameAttempts = 3;

// A new name beside `place`; empty when it would exceed 259 characters.
std::string NameBeside(const std::string& place) {
  std::string name = place + "." +
                     std::to_string(platform::GetCurrentProcessId()) + "-" +
                     std::to_string(platform::UnpredictableNumber()) +
                     kPartialSuffix;
  return FitsPathLimit(name) ? name : std::string();
}

platform::RawFile CreateNew(const std::string& path) {
  return platform::CreateFileForWriting(path, platform::CreateMode::kCreateNew,
                                        platform::file_attribute::kNormal);
}

}  // namespace

PendingFile::PendingFile(std::string place, ExistingFile existing)
    : place_(std::move(place)), existing_(existing) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    path_ = NameBeside(place_);
    if (path_.empty()) break;
    file_.Reset(CreateNew(path_));
    // A name that is taken belongs to someone else: another one is tried.
    if (file_ || !platform::PathExists(path_)) break;
  }
  if (path_.empty()) {
    // Too deep for a name beside it: written in place.
    path_ = place_;
    if (existing_ == ExistingFile::kKept) {
      file_.Reset(CreateNew(path_));
    } else {
      std::optional<ReadOnlyLift> lift;
      if (existing_ == ExistingFile::kReplaced) lift.emplace(path_);
      file_.Reset(platform::CreateFileForWriting(
          path_, platform::CreateMode::kCreateOrTruncate,
          platform::file_attribute::kNormal));
      if (file_ && lift) lift->FileGone();
    }
  }
  created_ = static_cast<bool>(file_);
}

PendingFile::~PendingFile() {
  file_.Reset();
  if (created_ && !placed_) platform::RemoveFile(path_);
}

bool PendingFile::Close() {
  return file_ && platform::CloseFileReporting(file_.Release());
}

bool PendingFile::MoveIntoPlace() {
  if (!created_ || file_) return false;
  if (path_ == place_) {
    placed_ = true;
    return true;
  }
  std::optional<ReadOnlyLift> lift;
  if (existing_ == ExistingFile::kReplaced) lift.emplace(place_);
  const bool replace = existing_ != ExistingFile::kKept;
  placed_ = RepeatWhileHeld([&] {
              const platform::FileChange moved =
                  platform::RenameFile(path_, place_, replace);
              // The earlier file held open, as a running Excel holds the
              // add-in it opened, stays in use longer than any wait: it is
              // used as it is at once. Only a hold on the new file, which a
              // scanner takes as it appears, is waited out.
              if (moved == platform::FileChange::kSharingViolation &&
                  replace && platform::IsHeldOpen(place_)) {
                return platform::FileChange::kAccessDenied;
              }
              return moved;
            }) == platform::FileChange::kDone;
  if (placed_ && lift) lift->FileGone();
  return placed_;
}

namespace {

// Removes the partial files in `folder` whose names start with `stem`.
void RemovePartialFilesStarting(const std::string& folder,
                                const std::string& stem) {
  for (const std::string& name :
       platform::FindFileNames(folder + stem + "*" + kPartialSuffix)) {
    RemoveInstalledFile(folder + name);
  }
}

}  // namespace

void RemoveLeftoverPartialFiles(const std::string& folder) {
  RemovePartialFilesStarting(folder, "");
}

void RemoveLeftoverPartialFilesOf(const std::string& place) {
  const std::size_t nameStart = FindLastCharacter(place, "\\") + 1;
  RemovePartialFilesStarting(place.substr(0, nameStart),
                             place.substr(nameStart) + ".");
}
