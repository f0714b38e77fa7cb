#include "pe/pe_signature.h"

#include <algorithm>
#include <optional>

#include "pe/der_reader.h"

namespace pe {
namespace {

constexpr std::uint16_t kRevision2 = 0x0200;
constexpr std::uint16_t kPkcsSignedData = 0x0002;
constexpr std::uint64_t kWinCertificateHeader = 8;
// 1.2.840.113549.1.7.2 (PKCS #7 signed data) and 2.5.4.3 (common name).
constexpr std::uint8_t kSignedDataOid[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};
constexpr std::uint8_t kCommonNameOid[] = {0x55, 0x04, 0x03};

bool Equal(Bytes a, Bytes b) { return std::ranges::equal(a, b); }

// The contents of the element a reader gives next when it has `tag`.
std::optional<Bytes> Contents(DerReader& reader, std::uint8_t tag) {
  const auto element = reader.NextIf(tag);
  return element ? std::optional<Bytes>(element->contents) : std::nullopt;
}

// The first common name of a Name (a sequence of sets of type-value pairs),
// as its bytes stand; printable, UTF-8 and IA5 strings all read as text.
std::string CommonName(Bytes name) {
  DerReader names(name);
  while (const auto set = names.NextIf(der_tag::kSet)) {
    DerReader pairs(set->contents);
    while (const auto pair = pairs.NextIf(der_tag::kSequence)) {
      DerReader fields(pair->contents);
      const auto type = Contents(fields, der_tag::kObjectId);
      const auto value = fields.Next();
      if (type && value && Equal(*type, kCommonNameOid)) {
        return std::string(value->contents.begin(), value->contents.end());
      }
    }
  }
  return {};
}

struct CertificateNames {
  Bytes issuer;
  Bytes serial;
  Bytes subject;
};

// The contents of a Certificate: tbsCertificate SEQUENCE { [0] version OPTIONAL,
// serialNumber, signature, issuer, validity, subject, ... }, and after it
// the signature algorithm and value.
std::optional<CertificateNames> NamesOf(Bytes certificate) {
  DerReader outer(certificate);
  const auto tbs = Contents(outer, der_tag::kSequence);
  if (!tbs) return std::nullopt;
  DerReader fields(*tbs);
  fields.NextIf(der_tag::kContext0);
  const auto serial = Contents(fields, der_tag::kInteger);
  const auto algorithm = fields.NextIf(der_tag::kSequence);
  const auto issuer = fields.NextIf(der_tag::kSequence);
  const auto validity = fields.NextIf(der_tag::kSequence);
  const auto subject = fields.NextIf(der_tag::kSequence);
  if (!serial || !algorithm || !issuer || !validity || !subject) return std::nullopt;
  return CertificateNames{issuer->contents, *serial, subject->contents};
}

SignatureFacts Damaged(std::uint32_t tableSize, std::string damage) {
  SignatureFacts facts;
  facts.state = SignatureFacts::State::kDamaged;
  facts.tableSize = tableSize;
  facts.damage = std::move(damage);
  return facts;
}

}  // namespace

SignatureFacts ReadSignature(Bytes image, const PeImage& headers) {
  const std::optional<DataDirectory> table = headers.Directory(DataDirectoryIndex::kCertificates);
  if (!table || table->size == 0) return {};
  if (!Fits(image, table->rva, table->size) || table->size < kWinCertificateHeader) {
    return Damaged(table->size, "the certificate table lies outside the file");
  }
  const Bytes entries = image.subspan(table->rva, table->size);
  const std::uint32_t length = ReadU32(entries, 0);
  if (length < kWinCertificateHeader || length > entries.size()) {
    return Damaged(table->size, "its first entry's length does not fit the table");
  }
  if (ReadU16(entries, 4) != kRevision2 || ReadU16(entries, 6) != kPkcsSignedData) {
    return Damaged(table->size, "its first entry is not a PKCS #7 signature");
  }

  // ContentInfo: SEQUENCE { contentType OID, [0] SignedData }, and
  // SignedData: SEQUENCE { version, digestAlgorithms SET,
  // encapContentInfo SEQUENCE, [0] certificates, [1] crls, signerInfos SET }.
  DerReader content(entries.subspan(kWinCertificateHeader, length - kWinCertificateHeader));
  const auto contentInfo = Contents(content, der_tag::kSequence);
  if (!contentInfo) return Damaged(table->size, "the signature is no DER sequence");
  DerReader info(*contentInfo);
  const auto type = Contents(info, der_tag::kObjectId);
  const auto explicitData = Contents(info, der_tag::kContext0);
  if (!type || !Equal(*type, kSignedDataOid) || !explicitData) {
    return Damaged(table->size, "the signature holds no PKCS #7 signed data");
  }
  DerReader wrapped(*explicitData);
  const auto signedData = Contents(wrapped, der_tag::kSequence);
  if (!signedData) return Damaged(table->size, "the signed data is no DER sequence");
  DerReader data(*signedData);
  const auto version = data.NextIf(der_tag::kInteger);
  const auto digests = data.NextIf(der_tag::kSet);
  const auto encapsulated = data.NextIf(der_tag::kSequence);
  const auto certificates = Contents(data, der_tag::kContext0);
  data.NextIf(der_tag::kContext1);
  const auto signerInfos = Contents(data, der_tag::kSet);
  if (!version || !digests || !encapsulated || !signerInfos) {
    return Damaged(table->size, "the signed data lacks a field it must have");
  }

  // SignerInfo: SEQUENCE { version, issuerAndSerialNumber SEQUENCE {
  // issuer, serialNumber }, ... }.
  DerReader signers(*signerInfos);
  const auto signerInfo = Contents(signers, der_tag::kSequence);
  std::optional<Bytes> signerIssuer, signerSerial;
  if (signerInfo) {
    DerReader fields(*signerInfo);
    fields.NextIf(der_tag::kInteger);
    if (const auto id = Contents(fields, der_tag::kSequence)) {
      DerReader idFields(*id);
      signerIssuer = Contents(idFields, der_tag::kSequence);
      signerSerial = Contents(idFields, der_tag::kInteger);
    }
  }
  if (!signerIssuer || !signerSerial) return Damaged(table->size, "the signature names no signer");

  DerReader carried(certificates.value_or(Bytes{}));
  while (const auto certificate = carried.NextIf(der_tag::kSequence)) {
    const auto names = NamesOf(certificate->contents);
    if (names && Equal(names->serial, *signerSerial) && Equal(names->issuer, *signerIssuer)) {
      SignatureFacts facts;
      facts.state = SignatureFacts::State::kSigned;
      facts.tableSize = table->size;
      facts.signer = CommonName(names->subject);
      facts.issuer = CommonName(names->issuer);
      return facts;
    }
  }
  return Damaged(table->size, "the signer's certificate is not in the signature");
}

}  // namespace pe
