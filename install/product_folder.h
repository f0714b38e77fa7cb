#pragma once

// Where the launcher installs its files for the current user. Every folder
// path handed out ends in a backslash; the empty string is the one failure
// signal.

#include <string>

// CSIDL values of the shell folders the launcher asks for.
inline constexpr int kCsidlLocalAppData = 0x1C;
inline constexpr int kCsidlProgramFiles = 0x26;

// The product folder's name under its base folder.
inline constexpr char kProductFolderName[] = "Quorvane\\";

// The shell folder `csidl` as it is now (never created by the query), with a
// trailing backslash; empty when the query is unavailable or does not answer
// S_OK, or when the path cannot take its trailing backslash.
std::string GetShellFolderPath(int csidl);
std::string GetLocalAppDataPath();
std::string GetProgramFilesPath();
// The user's temporary folder with a trailing backslash, or empty.
std::string GetTempFolderPath();
// `base` + "Quorvane\", created (one level) when nothing exists there yet.
// Empty when that path would exceed 259 characters. Callers pass a
// non-empty base.
std::string EnsureProductFolder(const std::string& base);
