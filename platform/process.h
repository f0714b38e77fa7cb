#pragma once

// The identity of the running process and of the user it runs as. On
// Windows: GetCurrentProcessId; OpenProcessToken, GetTokenInformation and
// ConvertSidToStringSidA of advapi32, bound at run time.

#include <cstdint>
#include <string>

namespace platform {

std::uint32_t GetCurrentProcessId();

// The security identifier of the user the process runs as, in its text form
// ("S-1-5-21-…"); empty when it cannot be had.
std::string CurrentUserSid();

}  // namespace platform
