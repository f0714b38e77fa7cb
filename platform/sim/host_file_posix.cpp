#include "platform/sim/host_file.h"

#include <sys/types.h>

namespace sim {

std::FILE* OpenHostFile(const std::filesystem::path& host, HostOpen how) {
  const char* mode = "rb";
  switch (how) {
    case HostOpen::kRead:
      break;
    case HostOpen::kReplace:
      mode = "wb";
      break;
    case HostOpen::kCreateNew:
      mode = "wxb";
      break;
    case HostOpen::kCreateNewReadWrite:
      mode = "w+xb";
      break;
  }
  return std::fopen(host.c_str(), mode);
}

std::optional<std::uint64_t> SeekHostFile(std::FILE* stream,
                                          std::int64_t offset, int whence) {
  static_assert(sizeof(off_t) == sizeof(std::int64_t),
                "64-bit file offsets");
  if (fseeko(stream, offset, whence) != 0) return std::nullopt;
  const off_t position = ftello(stream);
  if (position < 0) return std::nullopt;
  return static_cast<std::uint64_t>(position);
}

}  // namespace sim
