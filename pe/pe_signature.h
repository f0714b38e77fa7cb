#pragma once

// The Authenticode signature of a PE image: the first entry of its
// certificate table (which lies in the file after the sections, not in the
// loaded image), a PKCS #7 SignedData whose signer is named by issuer and
// serial number and found among the certificates it carries. Read for what
// it tells (whether the image is signed and by whom); verifying it is the
// signing tools' and Windows' job.

#include <cstdint>
#include <string>

#include "pe/pe_bytes.h"
#include "pe/pe_image.h"

namespace pe {

struct SignatureFacts {
  enum class State { kUnsigned, kSigned, kDamaged };
  State state = State::kUnsigned;
  // The certificate table's size, when there is one.
  std::uint32_t tableSize = 0;
  // The common names of the signer's certificate's subject and issuer;
  // empty when it has none. For kSigned only.
  std::string signer;
  std::string issuer;
  // What could not be read, for kDamaged.
  std::string damage;
};

SignatureFacts ReadSignature(Bytes image, const PeImage& headers);

}  // namespace pe
