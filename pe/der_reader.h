#pragma once

// A reader of DER, the ASN.1 encoding of certificates and signatures, over
// bytes that may be damaged or hostile: one element at a time, each with
// its tag and its contents, every length checked against the bytes it
// claims. Definite lengths only, as DER has.

#include <cstdint>
#include <optional>

#include "pe/pe_bytes.h"

namespace pe {

namespace der_tag {
inline constexpr std::uint8_t kInteger = 0x02;
inline constexpr std::uint8_t kObjectId = 0x06;
inline constexpr std::uint8_t kSequence = 0x30;
inline constexpr std::uint8_t kSet = 0x31;
// [0] and [1], constructed: the context-specific fields of a structure.
inline constexpr std::uint8_t kContext0 = 0xA0;
inline constexpr std::uint8_t kContext1 = 0xA1;
}  // namespace der_tag

struct DerElement {
  std::uint8_t tag = 0;
  Bytes contents;
  // The whole element, tag and length included.
  Bytes encoding;
};

class DerReader {
 public:
  explicit DerReader(Bytes bytes) : rest_(bytes) {}

  // The next element; nothing at the end or when it does not fit (the
  // reader then stays at the end).
  std::optional<DerElement> Next();
  // The next element when it has `tag`; otherwise nothing, and the reader
  // stays where it was.
  std::optional<DerElement> NextIf(std::uint8_t tag);
  bool AtEnd() const { return rest_.empty(); }

 private:
  Bytes rest_;
};

}  // namespace pe
