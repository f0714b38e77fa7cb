#pragma once

// The help data carried in the CHM resource, and where its file goes.
//
// Layout: a 32-bit word of no meaning to the launcher, the file name as
// narrow text (the authoring tool's ANSI code page) with its NUL, a 32-bit
// little-endian content length, then that many bytes of the help file. Bytes
// after the content are ignored.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct HelpData {
  // The name under which the file is written into the temporary folder.
  std::string name;
  std::vector<std::uint8_t> content;
};

// Takes the help data apart. The placeholder gives an empty name and
// content. Returns nothing when a field is missing or cut short: no first
// word, a name without its NUL, no length word, or a length larger than the
// bytes that follow.
std::optional<HelpData> ParseHelpData(std::span<const std::uint8_t> bytes);

// The help file's name as the process's "A" functions take it. The
// authoring tool wrote the name in its own ANSI code page, the one its users'
// systems have too. In a process whose code page is that one the name stands
// as it is; in a UTF-8 process, so does a name that is well-formed UTF-8
// (ASCII is), and any other is converted from the system's ANSI code page.
// Nothing when that conversion fails.
std::optional<std::string> HelpFileNameForProcess(const std::string& stored);

// The user's temporary folder (with its trailing backslash) followed by
// `name` as it is; the name alone when the temporary folder can't be had;
// empty for an empty name. The result may exceed the path limit: the caller
// decides what a path that long means.
std::string MakeHelpFilePath(const std::string& name);

// Whether `name` names a file of the folder it is joined to and nothing
// else: no folder separator ("\" or "/"), no drive or stream colon, none
// of the other characters Windows keeps out of file names (* ? < > " and
// |, the first five also wildcards of a file search), not "." or "..", and
// no device name (CON, PRN, AUX, NUL, COM and LPT with a port number, with
// any extension). The name is read character by character in the
// process's ANSI code page, so a double-byte character whose second byte has
// the value of a backslash is no separator.
bool IsPlainFileName(std::string_view name);
