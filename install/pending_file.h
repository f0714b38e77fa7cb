#pragma once

// A file the launcher installs where another start, the user or a scanner
// may look. Its bytes go to a new file beside its place, named
// "<place>.<process id>-<number>.partial" with a number no other process
// can foresee, and created only where nothing is (so a file planted
// under that name is neither reused nor written through). Once complete and
// closed, it is renamed into place. So the place only ever holds the earlier
// file or the complete new one, never a part of it. The holder removes its
// file again when it does not reach its place; one that another process
// holds open then stays, and is a leftover for a later start to remove.

#include <string>

#include "platform/files.h"

// What moving into place does with a file already there.
enum class ExistingFile {
  // It stays and the move fails: another start put it there.
  kKept,
  // It is replaced, unless it is read-only or in use.
  kReplacedUnlessReadOnly,
  // It is replaced, read-only or not (an earlier start may have made it
  // so), unless it is in use; a file in use keeps its attributes.
  kReplaced,
};

class PendingFile {
 public:
  // Creates the new file for `place`, open for writing. Where no name beside
  // it fits within 259 characters it is created at `place` itself: over the
  // file there as `existing` allows, or (kKept) only where nothing is.
  PendingFile(std::string place, ExistingFile existing);
  // Removes the file made, unless it reached its place.
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Whether a file was created and is still open.
  explicit operator bool() const { return static_cast<bool>(file_); }
  // Valid while the file is open.
  platform::RawFile File() const { return file_.Get(); }
  // Where the bytes are written.
  const std::string& Path() const { return path_; }

  // Closes the file; false when it was not open or the system did not take
  // every byte.
  bool Close();
  // Renames the closed, complete file into place, repeating a rename held
  // up by a scanner (RepeatWhileHeld). True when the place holds it.
  bool MoveIntoPlace();

 private:
  std::string place_;
  ExistingFile existing_;
  std::string path_;
  platform::UniqueFile file_;
  bool created_ = false;
  bool placed_ = false;
};

// Removes the partial files in `folder` (ending in a backslash), read-only
// or not, in one try each: a start killed while it wrote leaves its own.
// Only for a start that knows no other start is writing there; a file
// another process holds stays.
void RemoveLeftoverPartialFiles(const std::string& folder);

// Removes, the same way, only the partial files written beside `place`, for
// a folder that other programs share (the temporary folder). `place` must
// hold no wildcard.
void RemoveLeftoverPartialFilesOf(const std::string& place);
