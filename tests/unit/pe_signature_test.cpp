#include "pe/pe_signature.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/little_endian.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using State = pe::SignatureFacts::State;

Bytes Der(std::uint8_t tag, const Bytes& contents) {
  Bytes element;
  element.push_back(tag);
  if (contents.size() < 0x80) {
    element.push_back(static_cast<std::uint8_t>(contents.size()));
  } else {
    element.push_back(0x82);
    element.push_back(static_cast<std::uint8_t>(contents.size() >> 8));
    element.push_back(static_cast<std::uint8_t>(contents.size()));
  }
  for (const std::uint8_t byte : contents) element.push_back(byte);
  return element;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Name(const std::string& commonName) {
  const Bytes oid = Der(0x06, {0x55, 0x04, 0x03});
  return Der(0x30, Der(0x31, Der(0x30, Cat({oid, Der(0x0C, Bytes(commonName.begin(), commonName.end()))}))));
}

Bytes Certificate(const Bytes& serial, const std::string& issuer, const std::string& subject) {
  const Bytes algorithm = Der(0x30, Der(0x06, {0x2A, 0x86, 0x48}));
  const Bytes tbs = Der(0x30, Cat({Der(0xA0, Der(0x02, {2})), Der(0x02, serial), algorithm, Name(issuer),
                                   Der(0x30, {}), Name(subject)}));
  return Der(0x30, Cat({tbs, algorithm, Der(0x03, {0})}));
}

// A PKCS #7 signed data carrying a CA's and the signer's certificates,
// whose signer info names the certificate of serial `signerSerial`.
Bytes Signature(std::uint8_t signerSerial) {
  const Bytes signedDataOid = Der(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02});
  const Bytes certificates =
      Der(0xA0, Cat({Certificate({1}, "Test CA", "Test CA"), Certificate({7}, "Test CA", "Test Signer")}));
  const Bytes signerInfo =
      Der(0x30, Cat({Der(0x02, {1}), Der(0x30, Cat({Name("Test CA"), Der(0x02, {signerSerial})}))}));
  const Bytes signedData = Der(0x30, Cat({Der(0x02, {1}), Der(0x31, {}), Der(0x30, {}), certificates,
                                          Der(0x31, signerInfo)}));
  return Der(0x30, Cat({signedDataOid, Der(0xA0, signedData)}));
}

// The smallest PE32 header with a certificate table of `signature` behind
// it, its entry giving `tableSize` bytes.
Bytes SignedImage(const Bytes& signature, std::uint32_t tableSize) {
  constexpr std::size_t kOptionalHeader = 0x58, kDirectories = kOptionalHeader + 96;
  Bytes image(0x200, 0);
  PutU16(image, 0, 0x5A4D);
  PutU32(image, 0x3C, 0x40);
  PutU32(image, 0x40, 0x4550);
  PutU16(image, 0x44, pe::kMachineI386);
  PutU16(image, 0x54, 96 + 16 * 8);
  PutU16(image, kOptionalHeader, pe::kPe32Magic);
  PutU32(image, kDirectories - 4, 16);
  PutU32(image, kDirectories + 4 * 8, static_cast<std::uint32_t>(image.size()));
  PutU32(image, kDirectories + 4 * 8 + 4, tableSize);
  Bytes entry(8, 0);
  PutU32(entry, 0, static_cast<std::uint32_t>(8 + signature.size()));
  PutU16(entry, 4, 0x0200);
  PutU16(entry, 6, 0x0002);
  return Cat({image, entry, signature});
}

pe::SignatureFacts Read(const Bytes& image) {
  return pe::ReadSignature(image, *pe::PeImage::Open(image));
}

TEST(PeSignature, NamesTheSignerOfTheCertificateItsSignerInfoNames) {
  const Bytes signature = Signature(7);
  const pe::SignatureFacts facts = Read(SignedImage(signature, 8 + signature.size()));
  EXPECT_EQ(facts.state, State::kSigned);
  EXPECT_EQ(facts.signer, "Test Signer");
  EXPECT_EQ(facts.issuer, "Test CA");

  EXPECT_EQ(Read(SignedImage(Signature(9), 8 + signature.size())).state, State::kDamaged)
      << "a signer whose certificate is not carried";
  EXPECT_EQ(Read(SignedImage({}, 0)).state, State::kUnsigned);
}

// A table cut anywhere, or claiming more than the file holds, is damaged:
// never read past its bytes, never taken for a signature.
TEST(PeSignature, EveryCutOfTheTableIsDamaged) {
  const Bytes signature = Signature(7);
  const Bytes whole = SignedImage(signature, 8 + signature.size());
  for (std::size_t cut = 1; cut < signature.size() + 8; ++cut) {
    Bytes image(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(cut));
    EXPECT_EQ(Read(image).state, State::kDamaged) << "file cut by " << cut;
    PutU32(image, 0x58 + 96 + 4 * 8 + 4, static_cast<std::uint32_t>(image.size() - 0x200));
    EXPECT_EQ(Read(image).state, State::kDamaged) << "table cut by " << cut;
  }
}

}  // namespace
