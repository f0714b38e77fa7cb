// A stand-in for the runtime module: a real DLL with the three exports the
// launcher looks up by name. Its version is chosen per build
// (RUNTIME_DOUBLE_VERSION), so the version gate can be tested both ways; a
// build with RUNTIME_DOUBLE_NO_EVENT names no splash event, so the launcher
// shows the splash but has nothing to wait for; a build with
// RUNTIME_DOUBLE_IMPORTS_SUPPORT imports SheltraSupport.dll (the support
// module double) and reports its version only through it, so it loads only
// where that DLL is found.
//
// The journal: "SheltraRuntime.journal" in the DLL's own folder, appended to,
// one line per record, each written whole (so a reader never sees half a
// line). A line is tab-separated key=value fields; the first is the record:
//
//   record=splash  size=<n>  reserved=<n>  fnv1a64=<16 lower-case hex>
//                  duration=<ms>  data=<A>,<B>,<C>,<seconds>  time=<ms>
//                  pid=<n>  module_size=<n>  module_fnv1a64=<16 hex>
//       cWeuyRtj was called. size: the bytes between the buffer's first and
//       last address; reserved: from its first address to its storage end;
//       fnv1a64: FNV-1a (64-bit) of those size bytes; duration: the second
//       argument; data: the four words of the SplashData record, in decimal;
//       pid: the calling process; module_size, module_fnv1a64: this DLL's
//       file as read from disk during the call (both empty when it cannot be
//       read), so a test can tell the complete module was the one loaded.
//   record=event-set      time=<ms>  pid=<n>  just before the splash event
//                                             is set
//   record=event-missing  time=<ms>  pid=<n>  the named event could not be
//                                             opened
//
// time is milliseconds since the Unix epoch, wall clock. With a splash
// event, the event is set from a thread of the double's own about half a
// second after the call (29_long_splash: four seconds), as a splash ending
// on its own would be.
#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/doubles/runtime_module/module_digest.h"
#include "tests/doubles/runtime_module/module_journal.h"
#include "tests/support/wall_clock.h"
#include "tests/support/kernel_handle.h"

#ifdef RUNTIME_DOUBLE_IMPORTS_SUPPORT
// The support module double's one export (support_module_double.cpp).
extern "C" __declspec(dllimport) std::int32_t SheltraSupportReady();
#endif

namespace {

#ifdef RUNTIME_DOUBLE_NO_EVENT
constexpr bool kNamesSplashEvent = false;
#else
constexpr bool kNamesSplashEvent = true;
#endif
constexpr char kSplashEventName[] = "SheltraSplashDouble";
#ifdef RUNTIME_DOUBLE_SPLASH_MILLISECONDS
constexpr DWORD kSplashShownMilliseconds = RUNTIME_DOUBLE_SPLASH_MILLISECONDS;
#else
constexpr DWORD kSplashShownMilliseconds = 500;
#endif

// The launcher's byte-buffer object: four pointer-sized words.
struct SplashByteBuffer {
  const void* unused;
  const std::uint8_t* first;
  const std::uint8_t* last;
  const std::uint8_t* storageEnd;
};

struct SplashData {
  std::int32_t parameterA;
  std::int32_t parameterB;
  std::int32_t parameterC;
  std::int32_t displaySeconds;
};

bool SupportReady() {
#ifdef RUNTIME_DOUBLE_IMPORTS_SUPPORT
  return SheltraSupportReady() != 0;
#else
  return true;
#endif
}

constexpr char kJournalName[] = "SheltraRuntime.journal";

// The address of anything in this DLL's image finds its file.
std::string OwnPath() { return module_double::ModulePathOf(kJournalName); }

void Journal(const std::string& line) {
  module_double::AppendBeside(OwnPath(), kJournalName, line);
}

// The fields every record ends with: when, and from which process.
std::string TimeAndProcessFields() {
  return "\ttime=" + std::to_string(test_support::UnixMilliseconds()) +
         "\tpid=" + std::to_string(::GetCurrentProcessId());
}

std::string ModuleFileFields() {
  const auto digest = module_double::DigestFile(OwnPath());
  if (!digest) return "\tmodule_size=\tmodule_fnv1a64=";
  return "\tmodule_size=" + std::to_string(digest->size) +
         "\tmodule_fnv1a64=" + module_double::Hex64(digest->fnv1a64);
}

std::string SplashRecord(const SplashByteBuffer* buffer,
                         std::uint32_t milliseconds, const SplashData* data) {
  // The time of the call, before the module file is read.
  const std::string timeAndProcess = TimeAndProcessFields();
  std::size_t size = 0, reserved = 0;
  std::uint64_t hash = module_double::kFnv1a64Basis;
  if (buffer != nullptr && buffer->first != nullptr) {
    size = static_cast<std::size_t>(buffer->last - buffer->first);
    reserved = static_cast<std::size_t>(buffer->storageEnd - buffer->first);
    hash = module_double::Fnv1a64(buffer->first, size);
  }
  std::string line = "record=splash\tsize=" + std::to_string(size) +
                     "\treserved=" + std::to_string(reserved) +
                     "\tfnv1a64=" + module_double::Hex64(hash) +
                     "\tduration=" + std::to_string(milliseconds) + "\tdata=";
  if (data != nullptr) {
    line += std::to_string(data->parameterA) + "," +
            std::to_string(data->parameterB) + "," +
            std::to_string(data->parameterC) + "," +
            std::to_string(data->displaySeconds);
  }
  return line + timeAndProcess + ModuleFileFields();
}

// The splash "ends" after a while, on a thread of its own, as the real
// module's splash window does: the launcher's wait must last until then.
// The thread takes over the event handle it is given.
DWORD WINAPI EndSplashLater(void* event) {
  const test_support::KernelHandle splashEnded(static_cast<HANDLE>(event));
  ::Sleep(kSplashShownMilliseconds);
  Journal("record=event-set" + TimeAndProcessFields());
  ::SetEvent(splashEnded.Get());
  return 0;
}

}  // namespace

extern "C" {

std::int32_t RtmGetVersion() {
  return SupportReady() ? RUNTIME_DOUBLE_VERSION : 0;
}

const char* WeRTlwN() { return kNamesSplashEvent ? kSplashEventName : nullptr; }

void cWeuyRtj(const SplashByteBuffer* buffer, std::uint32_t milliseconds,
              const SplashData* data) {
  Journal(SplashRecord(buffer, milliseconds, data));
  if (!kNamesSplashEvent) return;
  // The launcher made the event before this call, so it opens by name.
  test_support::KernelHandle event(
      ::OpenEventA(EVENT_MODIFY_STATE, FALSE, kSplashEventName));
  if (!event) {
    Journal("record=event-missing" + TimeAndProcessFields());
    return;
  }
  const test_support::KernelHandle thread(
      ::CreateThread(nullptr, 0, &EndSplashLater, event.Get(), 0, nullptr));
  // The thread owns the event now; without a thread, the splash ends at
  // once rather than hang the launcher.
  if (thread) {
    event.Release();
  } else {
    EndSplashLater(event.Release());
  }
}

}  // extern "C"
