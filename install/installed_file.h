#pragma once

// The files the launcher writes at every start (the runtime module, the
// loader add-in, the help file). Another start of the same user may be
// running, and an earlier start may have left a file read-only, so:
// - a file is written under a name of its own beside its place and renamed
//   into place once complete: no start ever finds one half-written;
// - the installer of a file the launcher itself may have made read-only
//   (the runtime archive may carry the attribute) clears it before the file
//   is replaced, so that only a file really in use stays as it is.

#include <string>

// The name this process writes the file meant for `path` under until it is
// complete: `path` + "." + the process id + ".partial", in the same folder so
// that moving it into place is a rename. Empty when that name would exceed
// 259 characters: a file that deep is written in place.
std::string PartialPathFor(const std::string& path);

// Clears the read-only attribute of the file at `path`; anything else at
// `path`, or nothing, is left alone.
void MakeWritable(const std::string& path);

// Deletes the file at `path`, read-only or not. False when it stays: another
// process holds it open or loaded; it then keeps its attributes.
bool RemoveInstalledFile(const std::string& path);

// Renames the complete file at `partialPath` to `path`. With `replace`, a
// file at `path` is replaced unless it is read-only or another process
// holds it; without, a file at `path` stays and the move fails. The partial
// file is removed whenever the move fails.
bool MoveIntoPlace(const std::string& partialPath, const std::string& path,
                   bool replace);
