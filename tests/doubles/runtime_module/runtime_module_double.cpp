// A stand-in for the runtime module: a real DLL with the three exports the
// launcher looks up by name. Its version is chosen per build
// (RUNTIME_DOUBLE_VERSION), so the version gate can be tested both ways; a
// build with RUNTIME_DOUBLE_NO_EVENT names no splash event, so the launcher
// shows the splash but has nothing to wait for.
//
// The journal: "SheltraRuntime.journal" in the DLL's own folder, appended to,
// one line per record, each written whole (so a reader never sees half a
// line). A line is tab-separated key=value fields; the first is the record:
//
//   record=splash  size=<n>  reserved=<n>  fnv1a64=<16 lower-case hex>
//                  duration=<ms>  data=<A>,<B>,<C>,<seconds>  time=<ms>
//       cWeuyRtj was called. size: the bytes between the buffer's first and
//       last address; reserved: from its first address to its storage end;
//       fnv1a64: FNV-1a (64-bit) of those size bytes; duration: the second
//       argument; data: the four words of the SplashData record, in decimal.
//   record=event-set      time=<ms>   just before the splash event is set
//   record=event-missing  time=<ms>   the named event could not be opened
//
// time is milliseconds since the Unix epoch, wall clock. With a splash
// event, the event is set from a thread of the double's own about half a
// second after the call, as a splash ending on its own would be.
#include <windows.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

#ifdef RUNTIME_DOUBLE_NO_EVENT
constexpr bool kNamesSplashEvent = false;
#else
constexpr bool kNamesSplashEvent = true;
#endif
constexpr char kSplashEventName[] = "SheltraSplashDouble";
constexpr DWORD kSplashShownMilliseconds = 500;

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

std::int64_t UnixMilliseconds() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
      now.dwLowDateTime;
  // 100-nanosecond ticks from 1601 to 1970.
  constexpr std::uint64_t kUnixEpochTicks = 116444736000000000ULL;
  return static_cast<std::int64_t>((ticks - kUnixEpochTicks) / 10000);
}

std::uint64_t Fnv1a64(const std::uint8_t* bytes, std::size_t size) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

// "<folder of this DLL>\SheltraRuntime.journal"; empty when the DLL's own
// path can't be had.
std::string JournalPath() {
  HMODULE self = nullptr;
  if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&JournalPath), &self)) {
    return {};
  }
  char path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::string journal(path, length);
  journal.erase(journal.find_last_of('\\') + 1);
  return journal + "SheltraRuntime.journal";
}

// Appends `line` and its line end in one write, so that the splash thread
// and the caller never interleave within a line.
void Journal(const std::string& line) {
  const std::string path = JournalPath();
  if (path.empty()) return;
  const HANDLE file = ::CreateFileA(
      path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written,
              nullptr);
  ::CloseHandle(file);
}

std::string TimeField() {
  return "\ttime=" + std::to_string(UnixMilliseconds());
}

std::string SplashRecord(const SplashByteBuffer* buffer,
                         std::uint32_t milliseconds, const SplashData* data) {
  std::size_t size = 0, reserved = 0;
  std::uint64_t hash = Fnv1a64(nullptr, 0);
  if (buffer != nullptr && buffer->first != nullptr) {
    size = static_cast<std::size_t>(buffer->last - buffer->first);
    reserved = static_cast<std::size_t>(buffer->storageEnd - buffer->first);
    hash = Fnv1a64(buffer->first, size);
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016" PRIx64, hash);
  std::string line = "record=splash\tsize=" + std::to_string(size) +
                     "\treserved=" + std::to_string(reserved) +
                     "\tfnv1a64=" + hex +
                     "\tduration=" + std::to_string(milliseconds) + "\tdata=";
  if (data != nullptr) {
    line += std::to_string(data->parameterA) + "," +
            std::to_string(data->parameterB) + "," +
            std::to_string(data->parameterC) + "," +
            std::to_string(data->displaySeconds);
  }
  return line + TimeField();
}

// The splash "ends" after a while, on a thread of its own, as the real
// module's splash window does: the launcher's wait must last until then.
DWORD WINAPI EndSplashLater(void* event) {
  ::Sleep(kSplashShownMilliseconds);
  Journal("record=event-set" + TimeField());
  ::SetEvent(static_cast<HANDLE>(event));
  ::CloseHandle(static_cast<HANDLE>(event));
  return 0;
}

}  // namespace

extern "C" {

std::int32_t RtmGetVersion() { return RUNTIME_DOUBLE_VERSION; }

const char* WeRTlwN() { return kNamesSplashEvent ? kSplashEventName : nullptr; }

void cWeuyRtj(const SplashByteBuffer* buffer, std::uint32_t milliseconds,
              const SplashData* data) {
  Journal(SplashRecord(buffer, milliseconds, data));
  if (!kNamesSplashEvent) return;
  // The launcher made the event before this call, so it opens by name.
  const HANDLE event =
      ::OpenEventA(EVENT_MODIFY_STATE, FALSE, kSplashEventName);
  if (event == nullptr) {
    Journal("record=event-missing" + TimeField());
    return;
  }
  const HANDLE thread =
      ::CreateThread(nullptr, 0, &EndSplashLater, event, 0, nullptr);
  if (thread == nullptr) {
    // No thread to end the splash: end it now rather than hang the launcher.
    EndSplashLater(event);
    return;
  }
  ::CloseHandle(thread);
}

}  // extern "C"
