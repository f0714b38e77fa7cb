#pragma once

// The launcher launcher-pack makes appears whole or not at all: it is written
// beside its final name and renamed over it only once complete, so a failed
// write, signing or check never leaves a half-made or unsigned launcher
// where the finished one belongs.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

// The file `path` with `bytes`, through a temporary file beside it; false,
// with `error` saying why and no file left, when it cannot be made.
bool WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, std::string& error);

// A file beside `path` for a step before the last: "<path>.<purpose>".
std::filesystem::path BesideFile(const std::filesystem::path& path, const char* purpose);

// Renames `from` over `to`, replacing it; false with `error` set otherwise.
bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error);

// Gives `path` the mode of a program anyone may run and only its owner
// change (0755), whatever the umask: a launcher is copied onto shares and
// into installers from the build machine.
void MarkRunnable(const std::filesystem::path& path);

// Removes `path` when it is there; what cannot be removed stays.
void RemoveIfPresent(const std::filesystem::path& path);
