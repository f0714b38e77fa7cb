#pragma once

// What the launcher does about a file already at the place of one it
// installs at every start (the runtime module, the loader add-in, the help
// file):
// - an earlier start may have left it read-only (the runtime archive may
//   carry the attribute): the attribute is lifted for the change and given
//   back when the file stays, so that only a file really in use stays, and
//   stays exactly as it was;
// - a scanner or an indexer opens a file as soon as it is written and holds
//   it for tens to hundreds of milliseconds, sharing reading and writing but
//   not deletion: a removal or a rename that meets such a hold (a sharing
//   violation) is tried again after growing pauses, for about 2 s in all,
//   before the file counts as in use. A module that a running program has
//   loaded refuses at once (access denied) and is not waited for.

#include <cstdint>
#include <string>

#include "common/retry_schedule.h"
#include "platform/files.h"

// How a change held up by another process's handle is tried again: from
// 20 ms up to pauses of 500 ms, for 2 s since the first try.
inline constexpr platform::RetryPolicy kHeldFileRetry{20, 500, 2000};

// Runs `change` (a removal or a rename, returning platform::FileChange) and
// repeats it as kHeldFileRetry allows while it meets a sharing violation.
// Returns its last result; a change that is done or refused otherwise at
// once costs no pause.
template <typename Change>
platform::FileChange RepeatWhileHeld(Change change) {
  RetrySchedule schedule(kHeldFileRetry);
  platform::FileChange result = change();
  while (result == platform::FileChange::kSharingViolation &&
         schedule.PauseBeforeRetry()) {
    result = change();
  }
  return result;
}

// Clears the read-only attribute of the file at `path` for as long as it
// lives, and then gives the file its attributes back, unless told that the
// file is gone or replaced. Anything else at `path`, or nothing, is left
// alone.
class ReadOnlyLift {
 public:
  explicit ReadOnlyLift(std::string path);
  ~ReadOnlyLift();
  ReadOnlyLift(const ReadOnlyLift&) = delete;
  ReadOnlyLift& operator=(const ReadOnlyLift&) = delete;

  // The file the attribute was lifted from is no longer there.
  void FileGone() { lifted_ = false; }

 private:
  std::string path_;
  std::uint32_t attributes_ = 0;
  bool lifted_ = false;
};

// Deletes the file at `path`, read-only or not, in one try. When it stays
// (another process holds it open or loaded), it keeps its attributes; the
// result tells why.
platform::FileChange RemoveInstalledFile(const std::string& path);
