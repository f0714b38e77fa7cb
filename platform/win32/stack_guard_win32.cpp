// The stack-protector support the launcher links in place of libssp's: that
// one seeds its canary with CryptGenRandom and so imports advapi32, which
// the launcher binds at run time only and must not import. The canary is
// seeded as the Visual C++ runtime seeds its security cookie, from values no
// other process can predict at start-up; a smashed stack or a checked copy
// that overruns ends the process at once.
#include <windows.h>

#include <cstdint>

namespace {

// What Windows reports for a process ended by a stack buffer overrun.
constexpr UINT kStackBufferOverrun = 0xC0000409;

[[noreturn]] void EndProcess() {
  ::TerminateProcess(::GetCurrentProcess(), kStackBufferOverrun);
  __builtin_unreachable();
}

}  // namespace

extern "C" {

// Read by every function that carries a canary.
void* __stack_chk_guard = reinterpret_cast<void*>(
    static_cast<std::uintptr_t>(0xBB40E64EDA2F7C59ull));

[[noreturn]] void __stack_chk_fail() { EndProcess(); }

[[noreturn]] void __chk_fail() { EndProcess(); }

}  // extern "C"

namespace {

// Before any function that carries a canary is called: only the start-up
// code, which carries none, is on the stack while the canary changes.
__attribute__((constructor, no_stack_protector)) void SeedStackGuard() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  LARGE_INTEGER counter;
  ::QueryPerformanceCounter(&counter);
  std::uint64_t seed =
      (static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) ^
      static_cast<std::uint64_t>(counter.QuadPart) ^
      static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32 ^
      ::GetCurrentThreadId() ^ ::GetTickCount() ^
      reinterpret_cast<std::uintptr_t>(&now);
  seed ^= seed >> 32;
  __stack_chk_guard = reinterpret_cast<void*>(
      reinterpret_cast<std::uintptr_t>(__stack_chk_guard) ^
      static_cast<std::uintptr_t>(seed));
}

}  // namespace
