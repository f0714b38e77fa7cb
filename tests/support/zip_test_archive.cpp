#include "tests/support/zip_test_archive.h"

#include <zlib.h>

#include <iterator>

#include "bytes/little_endian.h"

namespace {

// CRC-32 and the PKWARE key schedule written out bit by bit: an encoder that
// shares no code with the reader's decoder.
std::uint32_t CrcByte(std::uint32_t crc, std::uint8_t byte) {
  crc ^= byte;
  for (int bit = 0; bit < 8; ++bit) {
    crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return crc;
}

struct Encryptor {
  std::uint32_t keys[3] = {0x12345678, 0x23456789, 0x34567890};
  void Update(std::uint8_t plain) {
    keys[0] = CrcByte(keys[0], plain);
    keys[1] = (keys[1] + (keys[0] & 0xFF)) * 134775813u + 1;
    keys[2] = CrcByte(keys[2], static_cast<std::uint8_t>(keys[1] >> 24));
  }
  char Encrypt(char plain) {
    const std::uint32_t temp = (keys[2] | 2) & 0xFFFF;
    const auto stream = static_cast<std::uint8_t>((temp * (temp ^ 1)) >> 8);
    Update(static_cast<std::uint8_t>(plain));
    return static_cast<char>(static_cast<std::uint8_t>(plain) ^ stream);
  }
};

std::string Encrypt(const std::string& password, std::uint32_t crc,
                    const std::string& data) {
  Encryptor cipher;
  for (const char c : password) cipher.Update(static_cast<std::uint8_t>(c));
  std::string header = "\x11\x22\x33\x44\x55\x66\x77\x88\x99\xAA\xBB";
  header += static_cast<char>(crc >> 24);
  std::string out;
  for (const char c : header + data) out += cipher.Encrypt(c);
  return out;
}

struct Packed {
  std::string data;
  std::uint32_t crc;
  std::uint32_t uncompressed;
  std::uint16_t flags;
};

Packed Pack(const TestEntry& entry) {
  Packed packed;
  packed.crc = Crc32Of(entry.data) ^ entry.crcXor;
  packed.uncompressed =
      static_cast<std::uint32_t>(entry.data.size() + entry.uncompressedDelta);
  packed.data = entry.method == 8 ? Deflate(entry.data) : entry.data;
  packed.flags = entry.password ? 1 : 0;
  if (entry.password) {
    packed.data = Encrypt(*entry.password, Crc32Of(entry.data), packed.data);
  }
  packed.data.resize(packed.data.size() - entry.cutData);
  return packed;
}

}  // namespace

std::string Uint16Bytes(std::uint16_t value) {
  std::uint8_t bytes[2];
  little_endian::Store16(bytes, value);
  return {std::begin(bytes), std::end(bytes)};
}

std::string Uint32Bytes(std::uint32_t value) {
  std::uint8_t bytes[4];
  little_endian::Store32(bytes, value);
  return {std::begin(bytes), std::end(bytes)};
}

void PutUint16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes.replace(at, 2, Uint16Bytes(value));
}

void PutUint32(std::string& bytes, std::size_t at, std::uint32_t value) {
  bytes.replace(at, 4, Uint32Bytes(value));
}

std::uint32_t Crc32Of(const std::string& data) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (const char c : data) crc = CrcByte(crc, static_cast<std::uint8_t>(c));
  return ~crc;
}

std::string Deflate(const std::string& data) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, data.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::string BuildZip(const std::vector<TestEntry>& entries,
                     const std::string& prefix, const std::string& comment) {
  std::string archive;
  std::string central;
  for (const TestEntry& entry : entries) {
    const Packed packed = Pack(entry);
    const std::string common =
        Uint32Bytes(entry.dosTime) + Uint32Bytes(packed.crc) +
        Uint32Bytes(static_cast<std::uint32_t>(packed.data.size())) +
        Uint32Bytes(packed.uncompressed) +
        Uint16Bytes(static_cast<std::uint16_t>(entry.name.size()));
    const auto localOffset = static_cast<std::uint32_t>(archive.size());
    std::string local = "PK\x03\x04" + Uint16Bytes(20) +
                        Uint16Bytes(packed.flags | entry.localFlags) +
                        Uint16Bytes(entry.localMethod.value_or(entry.method)) +
                        common +
                        Uint16Bytes(static_cast<std::uint16_t>(entry.localExtra.size()));
    PutUint32(local, 14, packed.crc ^ entry.localCrcXor);
    archive += local + entry.name + entry.localExtra + packed.data;
    central += "PK\x01\x02" + Uint16Bytes(entry.versionMadeBy) +
               Uint16Bytes(20) + Uint16Bytes(packed.flags) +
               Uint16Bytes(entry.method) + common + Uint16Bytes(0) +
               Uint16Bytes(0) + Uint16Bytes(0) + Uint16Bytes(0) +
               Uint32Bytes(entry.externalAttributes) +
               Uint32Bytes(localOffset) + entry.name;
  }
  const auto count = static_cast<std::uint16_t>(entries.size());
  const std::string end =
      "PK\x05\x06" + Uint16Bytes(0) + Uint16Bytes(0) + Uint16Bytes(count) +
      Uint16Bytes(count) + Uint32Bytes(static_cast<std::uint32_t>(central.size())) +
      Uint32Bytes(static_cast<std::uint32_t>(archive.size())) +
      Uint16Bytes(static_cast<std::uint16_t>(comment.size())) + comment;
  return prefix + archive + central + end;
}

std::string UtBlock(std::uint8_t flags, const std::vector<std::int32_t>& times) {
  std::string data(1, static_cast<char>(flags));
  for (const std::int32_t time : times) {
    data += Uint32Bytes(static_cast<std::uint32_t>(time));
  }
  return "UT" + Uint16Bytes(static_cast<std::uint16_t>(data.size())) + data;
}

std::uint64_t TicksOfUnixTime(std::int64_t seconds) {
  return static_cast<std::uint64_t>((seconds + 11644473600LL) * 10000000LL);
}

std::string SampleData(std::size_t size, unsigned seed) {
  std::string data(size, '\0');
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    // Half the bytes repeat a short pattern so deflate has work to do.
    data[i] = (i / 64) % 2 ? static_cast<char>("launcher"[i % 8])
                           : static_cast<char>(state >> 24);
  }
  return data;
}

std::vector<std::uint8_t> OneEntryZip(const std::string& name,
                                      const std::string& data) {
  TestEntry entry;
  entry.name = name;
  entry.data = data;
  const std::string archive = BuildZip({entry});
  return std::vector<std::uint8_t>(archive.begin(), archive.end());
}
