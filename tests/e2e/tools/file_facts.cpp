// Tells what Windows reports about files, for tests that check what the
// launcher wrote:
//
//   file_facts.exe <path>...
//
// One line per path: "<path>\tmissing", or "<path>\tattributes=0x..\t
// creation=<ticks>\taccess=<ticks>\tmodification=<ticks>" with file times as
// decimal 100-nanosecond counts since 1601. Paths are UTF-8, as the
// launcher's process writes them (the tool's manifest gives it that code
// page).
#include <windows.h>

#include <cstdio>

namespace {

unsigned long long Ticks(const FILETIME& time) {
  return static_cast<unsigned long long>(time.dwHighDateTime) << 32 |
         time.dwLowDateTime;
}

void Describe(const char* path) {
  const DWORD attributes = ::GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    std::printf("%s\tmissing\n", path);
    return;
  }
  FILETIME creation{}, access{}, modification{};
  HANDLE file = ::CreateFileA(path, FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE |
                                  FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    ::GetFileTime(file, &creation, &access, &modification);
    ::CloseHandle(file);
  }
  std::printf("%s\tattributes=0x%lx\tcreation=%llu\taccess=%llu\tmodification=%llu\n",
              path, static_cast<unsigned long>(attributes), Ticks(creation),
              Ticks(access), Ticks(modification));
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) Describe(argv[i]);
  return 0;
}
