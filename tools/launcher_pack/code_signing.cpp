#include "tools/launcher_pack/code_signing.h"

#include <vector>

#include "tools/launcher_pack/output_file.h"
#include "tools/launcher_pack/run_program.h"

bool SignImage(const SigningRequest& request, const std::filesystem::path& unsignedImage,
               const std::filesystem::path& signedImage, std::string& error) {
  std::vector<std::string> arguments = {request.signer, "sign", "-h", "sha256",
                                        "-certs", request.certificate.string(), "-key", request.key.string()};
  if (!request.timestampUrl.empty()) arguments.insert(arguments.end(), {"-ts", request.timestampUrl});
  arguments.insert(arguments.end(), {"-in", unsignedImage.string(), "-out", signedImage.string()});
  RemoveIfPresent(signedImage);
  const ProgramOutcome outcome = RunProgram(arguments);
  if (outcome.started && outcome.exitCode == 0) return true;
  RemoveIfPresent(signedImage);
  error = outcome.started ? request.signer + " failed with exit status " + std::to_string(outcome.exitCode)
                          : request.signer + " cannot be started";
  return false;
}
