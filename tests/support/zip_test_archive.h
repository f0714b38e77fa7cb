#pragma once

// Archives assembled byte by byte for the reader's tests, so that every field
// (and every kind of damage) can be chosen. Positions inside the archive are
// relative to its start; a prefix is prepended without shifting them, as a
// stub would be.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TestEntry {
  std::string name = "payload.bin";
  std::string data;
  std::uint16_t method = 8;  // 8: deflated; anything else: bytes stored
  std::uint16_t versionMadeBy = 0x0B14;  // host 11 (NTFS)
  std::uint32_t externalAttributes = 0x20;
  std::uint32_t dosTime = 0x58A46B2C;  // 2024-05-04 13:25:24
  std::string localExtra;
  std::optional<std::string> password;  // encrypts the entry
  // Damage: applied to both headers unless noted.
  std::uint32_t crcXor = 0;
  std::int32_t uncompressedDelta = 0;
  std::size_t cutData = 0;  // data bytes dropped from the end
  std::optional<std::uint16_t> localMethod;  // local header only
  std::uint16_t localFlags = 0;               // added to the local flags
  std::uint32_t localCrcXor = 0;              // local header only
};

std::string BuildZip(const std::vector<TestEntry>& entries,
                     const std::string& prefix = {},
                     const std::string& comment = {});

// Raw deflate of `data`.
std::string Deflate(const std::string& data);
std::uint32_t Crc32Of(const std::string& data);
void PutUint16(std::string& bytes, std::size_t at, std::uint16_t value);
void PutUint32(std::string& bytes, std::size_t at, std::uint32_t value);
std::string Uint16Bytes(std::uint16_t value);
std::string Uint32Bytes(std::uint32_t value);
// An extended timestamp ("UT") block holding the times given, in order.
std::string UtBlock(std::uint8_t flags, const std::vector<std::int32_t>& times);
// File time of a Unix time, computed independently of the reader.
std::uint64_t TicksOfUnixTime(std::int64_t seconds);
// Deterministic bytes that deflate only partly.
std::string SampleData(std::size_t size, unsigned seed = 1);

// A deflated archive of one entry, as the bytes of a resource.
std::vector<std::uint8_t> OneEntryZip(const std::string& name,
                                      const std::string& data);
