#pragma once

// Signing a packed launcher with osslsigncode, as a build signs one it links:
// an Authenticode signature over the image's SHA-256 digest, counter-signed
// by an RFC 3161 time-stamp authority when one is named. The signature is the
// last change made to the file.

#include <filesystem>
#include <string>

struct SigningRequest {
  std::string signer = "osslsigncode";  // the program, found on PATH unless a path
  std::filesystem::path certificate;    // PEM: the certificate, or it and its chain
  std::filesystem::path key;            // PEM: its private key
  std::string timestampUrl;             // empty: no time stamp
};

// Signs `unsigned` into `signedImage`; false with `error` set, and no
// `signedImage`, when the signer fails or cannot be started (its own
// messages go to the standard error).
bool SignImage(const SigningRequest& request, const std::filesystem::path& unsignedImage,
               const std::filesystem::path& signedImage, std::string& error);
