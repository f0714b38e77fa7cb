// Keeps a DLL loaded in a process of its own, as a running Excel keeps the
// runtime module loaded, until told to stop:
//
//   hold_module.exe <dll> <ready-file> <stop-file>
//
// Creates <ready-file> once the module is loaded; exits when <stop-file>
// exists, or after two minutes. Exit code 1 when the module does not load.
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  HMODULE module = ::LoadLibraryA(argv[1]);
  if (module == nullptr) return 1;
  HANDLE ready = ::CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready != INVALID_HANDLE_VALUE) ::CloseHandle(ready);
  for (int waited = 0; waited < 1200; ++waited) {
    if (::GetFileAttributesA(argv[3]) != INVALID_FILE_ATTRIBUTES) break;
    ::Sleep(100);
  }
  ::FreeLibrary(module);
  return 0;
}
