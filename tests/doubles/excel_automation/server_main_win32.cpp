// ExcelDouble.exe: the Excel double as a local COM server, for the Wine
// tests. COM starts it with -Embedding (after /Automation from the
// registration); it registers its class, makes its XLMAIN window, serves
// one client and ends when that client has released every object. Its
// journal (excel_double.journal, appended) and its settings
// (excel_double.settings, optional) are beside the executable.
//
// Exit codes: 0 served and ended; 2 not started by COM; 3 journal cannot
// be opened; 4 COM refused to initialise or to register the class.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ascii/ascii_case.h"
#include "tests/doubles/excel_automation/class_factory_win32.h"
#include "tests/doubles/excel_automation/double_server.h"
#include "tests/doubles/excel_automation/journal_entry.h"
#include "tests/doubles/excel_automation/ole_text.h"
#include "tests/doubles/excel_automation/win32_server_hooks.h"

namespace {

using excel_double::DoubleServer;

constexpr wchar_t kJournalFileName[] = L"excel_double.journal";
constexpr wchar_t kSettingsFileName[] = L"excel_double.settings";

bool StartedByCom(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    for (const char* flag :
         {"-Embedding", "/Embedding", "-Automation", "/Automation"}) {
      if (EqualsIgnoringAsciiCase(argv[i], flag)) return true;
    }
  }
  return false;
}

std::filesystem::path ExecutableFolder() {
  std::vector<wchar_t> path(32768);
  const DWORD length = ::GetModuleFileNameW(nullptr, path.data(),
                                            static_cast<DWORD>(path.size()));
  return std::filesystem::path(std::wstring(path.data(), length)).parent_path();
}

// The whole file; empty when there is none.
std::string ReadText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// CoInitialize for the server's thread: its objects live in a
// single-threaded apartment, as Excel's do, and calls reach them through
// the message loop.
class ComApartment {
 public:
  ComApartment()
      : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

void DispatchWaitingMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void RunMessageLoop() {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

// A client whose creation was refused still releases its class-factory
// proxy, and that call may arrive after the server fell idle. Wine's
// CoUninitialize waits for calls in flight, which an apartment no longer
// pumping messages never finishes (seen: about 1 start in 8 hung there),
// so late calls are served until none has come for a while.
void ServeLateCalls() {
  constexpr DWORD kQuietMilliseconds = 500;
  constexpr int kMostRounds = 20;
  for (int round = 0; round < kMostRounds; ++round) {
    if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, kQuietMilliseconds,
                                    QS_ALLINPUT) == WAIT_TIMEOUT) {
      return;
    }
    DispatchWaitingMessages();
  }
}

// Registers the class and serves until the server is idle; the exit code.
int Serve(const std::shared_ptr<DoubleServer>& server) {
  const ComApartment apartment;
  if (FAILED(apartment.result())) return 4;
  server->EnsureMainWindow();
  {
    const excel_double::ClassRegistration registration(server);
    if (FAILED(registration.result())) return 4;
    RunMessageLoop();
  }
  ServeLateCalls();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!StartedByCom(argc, argv)) return 2;
  const std::filesystem::path folder = ExecutableFolder();
  auto hooks = excel_double::Win32ServerHooks::Open(folder / kJournalFileName);
  if (hooks == nullptr) return 3;
  const auto server = std::make_shared<DoubleServer>(
      excel_double::ParseSettings(ReadText(folder / kSettingsFileName)),
      std::move(hooks));
  const int exitCode = Serve(server);
  server->Journal(excel_double::ExitEntry());
  return exitCode;
}
