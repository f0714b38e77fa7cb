#include "platform/sim/host_file.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace sim {

namespace {

// A file that must not exist yet: msvcrt's fopen knows no "x", its open
// does (_O_EXCL), and the stream is made on the descriptor.
std::FILE* CreateNewHostFile(const std::filesystem::path& host,
                             bool readBack) {
  const int access = readBack ? _O_RDWR : _O_WRONLY;
  const int descriptor = _wopen(host.c_str(),
                                access | _O_CREAT | _O_EXCL | _O_BINARY,
                                _S_IREAD | _S_IWRITE);
  if (descriptor < 0) return nullptr;
  std::FILE* stream = _fdopen(descriptor, readBack ? "w+b" : "wb");
  if (stream == nullptr) _close(descriptor);
  return stream;
}

}  // namespace

std::FILE* OpenHostFile(const std::filesystem::path& host, HostOpen how) {
  switch (how) {
    case HostOpen::kRead:
      return _wfopen(host.c_str(), L"rb");
    case HostOpen::kReplace:
      return _wfopen(host.c_str(), L"wb");
    case HostOpen::kCreateNew:
      return CreateNewHostFile(host, false);
    case HostOpen::kCreateNewReadWrite:
      return CreateNewHostFile(host, true);
  }
  return nullptr;
}

std::optional<std::uint64_t> SeekHostFile(std::FILE* stream,
                                          std::int64_t offset, int whence) {
  if (_fseeki64(stream, offset, whence) != 0) return std::nullopt;
  const __int64 position = _ftelli64(stream);
  if (position < 0) return std::nullopt;
  return static_cast<std::uint64_t>(position);
}

}  // namespace sim
