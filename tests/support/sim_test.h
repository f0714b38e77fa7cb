#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sim/sim_world.h"

// Base fixture of every test over the simulated Windows: each test starts
// from an empty world whose files live in a sandbox folder of its own,
// removed afterwards.
class SimTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  sim::World& world() { return sim::TheWorld(); }
  // Ends the test's world, sandbox and all, and starts it again from an
  // empty one, for a test that runs many starts each from nothing.
  void StartFromEmptyWorld();

  // Writes a file at a Windows path of the sandbox, making its folders.
  void PutFile(const std::string& windowsPath, const std::string& content);
  // The content of the file at a Windows path; empty when there is none.
  std::string FileContent(const std::string& windowsPath);

  // Registers the runtime module as Excel's COM add-in: the add-in key under
  // `root` with `loadBehavior`, the ProgID key, and the class's
  // InprocServer32 naming `serverPath` (a file is put there).
  void RegisterRuntimeAddin(const std::string& serverPath,
                            void* root = nullptr,
                            std::uint32_t loadBehavior = 3);
  // An Excel of generation `version` in `folder` (excel.exe is put there).
  void InstallExcel(int version, const std::string& folder);
  // Gives the system the lead bytes of code page 932 (Japanese), in which
  // "\x97\x5C" is a kanji and "\x83\x5C" a katakana letter, each with a
  // second byte of the value of a backslash.
  void UseJapaneseCodePage() {
    world().leadByteRanges = {{0x81, 0x9F}, {0xE0, 0xFC}};
  }

  // Plays a scanner: every file the launcher writes is held open by another
  // process, without delete sharing, from the moment its writer closes it
  // until the clock has moved `holdMilliseconds` on (only pauses move it).
  void ScanWrittenFiles(std::uint32_t holdMilliseconds);
  // Another process holds the file at `windowsPath` open that way for
  // `holdMilliseconds` from now.
  void HoldOpenFor(const std::string& windowsPath,
                   std::uint32_t holdMilliseconds);
  // The milliseconds of all pauses made so far.
  std::uint32_t PausedMilliseconds() const;

 private:
  struct Hold {
    std::uint32_t since;
    std::uint32_t length;
  };
  void MakeEmptyWorld();
  void RemoveSandbox();
  void HoldOpen(const std::filesystem::path& host, std::uint32_t length);
  std::map<std::filesystem::path, Hold> holds_;
};

std::vector<std::uint8_t> Bytes(const std::string& text);
