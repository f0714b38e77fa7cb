#pragma once

// Where an extracted entry goes: target paths are taken relative to the
// folder that was current when the archive was opened unless they are
// absolute, and missing folders are made outermost first. Every path is
// checked against the 259-character limit before it is used.

#include <string>
#include <string_view>

// Starts with a separator or a drive ("C:").
bool IsAbsolutePath(std::string_view path);

// Makes `base` (when not empty and missing), then every folder of `folder`
// below it. False only when a path would be too long; a folder that cannot
// be made shows up when the file inside it cannot be created.
bool EnsureDirectory(std::string_view base, std::string_view folder);

// The full output path for `target`, with its folders made. False when the
// path or one of its folders would be too long.
bool PrepareOutputPath(std::string_view base, std::string_view target,
                       std::string& path);
