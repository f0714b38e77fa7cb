#include "pe/der_reader.h"

namespace pe {

std::optional<DerElement> DerReader::Next() {
  const Bytes bytes = rest_;
  rest_ = {};
  if (bytes.size() < 2) return std::nullopt;
  const std::uint8_t tag = bytes[0];
  // Tags of more than one byte are not used by the structures read here.
  if ((tag & 0x1F) == 0x1F) return std::nullopt;
  std::uint64_t length = bytes[1];
  std::uint64_t header = 2;
  if (length & 0x80) {
    const std::uint64_t lengthBytes = length & 0x7F;
    // Zero: the indefinite form, which DER forbids; more than four: larger
    // than any signature an image can hold.
    if (lengthBytes == 0 || lengthBytes > 4 || !Fits(bytes, 2, lengthBytes)) return std::nullopt;
    length = 0;
    for (std::uint64_t i = 0; i < lengthBytes; ++i) length = length << 8 | bytes[2 + i];
    header += lengthBytes;
  }
  if (!Fits(bytes, header, length)) return std::nullopt;
  rest_ = bytes.subspan(header + length);
  return DerElement{tag, bytes.subspan(header, length), bytes.first(header + length)};
}

std::optional<DerElement> DerReader::NextIf(std::uint8_t tag) {
  if (rest_.empty() || rest_[0] != tag) return std::nullopt;
  return Next();
}

}  // namespace pe
