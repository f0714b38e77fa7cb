#pragma once

// The simulated Windows that host tests run the launcher's logic over. A test
// arranges a world (modules with resources and exports, windows, threads),
// runs the code, then reads the world back (message boxes shown, modules
// still loaded, waits made). One world per process, reset by every test.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com.h"
#include "platform/com_types.h"
#include "platform/files.h"
#include "platform/modules.h"
#include "platform/registry_api.h"
#include "platform/sim/named_objects.h"
#include "platform/windows_ui.h"

namespace sim {

struct MessageBoxRecord {
  platform::WindowHandle owner = 0;
  std::string text;
  std::string title;
  std::uint32_t style = 0;
};

struct SimWindow {
  platform::WindowHandle handle = 0;
  std::uint32_t threadId = 0;
  std::string className;
};

// A COM class the simulated system can create: its objects live in the test
// process, whatever class context the caller asks for.
struct SimComClass {
  CLSID clsid{};
  // Makes a new object and returns the interface `iid` with one reference,
  // as IClassFactory::CreateInstance does.
  std::function<HRESULT(REFIID iid, void** object)> create;
};

struct SimModule {
  // Resources by (upper-case type name, id).
  std::map<std::pair<std::string, std::uint16_t>, std::vector<std::uint8_t>>
      resources;
  std::map<std::string, void*> exports;
  int references = 0;
  // Loaded with the process, as the system's own DLLs are.
  bool loadedBySystem = false;
};

// A LoadModule call: the path and how it was to be loaded.
struct ModuleLoadRecord {
  std::string path;
  platform::LoadAs as;
};

// Makes the N-th future call of a named operation fail, as a test VFS does:
// every error path gets a host test without special code in the logic. It
// also keeps the order of the calls it was asked about, so that a test can
// tell which operation came first.
class FaultPlan {
 public:
  // The `nth` call from now (1 = the next one) of `operation` fails, with
  // `code` where the operation reports a system error code.
  void FailCall(std::string_view operation, int nth, std::int32_t code = 1);
  // Counts one call of `operation`; the error code when that call is to
  // fail.
  std::optional<std::int32_t> Failure(std::string_view operation);
  bool ShouldFail(std::string_view operation) {
    return Failure(operation).has_value();
  }
  // Whether a failure asked for `operation` has not come yet.
  bool IsPending(std::string_view operation) const {
    return countdowns_.find(operation) != countdowns_.end();
  }
  // Records a call of an operation that cannot fail.
  void Note(std::string_view operation);
  // Every operation counted or noted so far, in call order.
  const std::vector<std::string>& Calls() const { return calls_; }

 private:
  struct Countdown {
    int calls;
    std::int32_t code;
  };
  std::map<std::string, Countdown, std::less<>> countdowns_;
  std::vector<std::string> calls_;
};

// A registry value: its type and raw data.
struct SimRegistryValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

// A registry key; names of subkeys and values are kept lower-cased, since
// the registry ignores case.
struct SimRegistryKey {
  std::map<std::string, SimRegistryKey> subkeys;
  std::map<std::string, SimRegistryValue> values;
};

// What the simulated file system keeps beside the real files of the sandbox:
// the Windows attributes and times that a Linux file cannot hold as such.
struct SimFileRecord {
  std::uint32_t attributes = platform::file_attribute::kArchive;
  std::optional<platform::FileTime> creation;
  std::optional<platform::FileTime> access;
  std::optional<platform::FileTime> modification;
};

// The handles open on one file: readers share with readers only, a writer
// with no one.
struct SimOpenFile {
  int readers = 0;
  int writers = 0;
};

struct World {
  World();

  // Files are real files below the sandbox root: C:\Users\u\x.txt lives at
  // <root>/C/Users/u/x.txt. Names are case-sensitive there on Linux, unlike
  // Windows. On a Windows host (the vendor's tools) the C++ library reads a
  // name's bytes in its own narrow encoding, so only ASCII names reach the
  // disk as the simulated system means them; the tools name their files so.
  std::filesystem::path sandboxRoot;
  std::string currentFolder = "C:\\Users\\u";
  std::string tempFolder = "C:\\Users\\u\\AppData\\Local\\Temp\\";
  // Local time is UTC plus this many seconds.
  std::int64_t localTimeOffsetSeconds = 0;
  // By sandbox path.
  std::map<std::filesystem::path, SimFileRecord> fileRecords;
  // Paths another process holds open without delete sharing (a scanner that
  // opened a new file, an Excel with an add-in open): deleting or renaming
  // them meets a sharing violation, and here they can be neither read nor
  // written either.
  std::set<std::filesystem::path> lockedFiles;
  // Paths another process has loaded as a module (a running Excel the
  // runtime module): they can be read, but deleting, replacing or writing
  // them is denied (access denied).
  std::set<std::filesystem::path> loadedElsewhere;
  // Runs as the last handle that wrote a file is closed, standing for a
  // scanner that opens every file as soon as its writer lets go of it.
  std::function<void(const std::filesystem::path&)> afterWriterCloses;
  // File system tunnelling, as NTFS does it: a file deleted or replaced
  // keeps its creation time here for a while, with the tick count then; a
  // file that takes its name within 15 s is given that creation time.
  struct TunnelledCreation {
    platform::FileTime creation;
    std::uint32_t tickCount = 0;
  };
  std::map<std::filesystem::path, TunnelledCreation> tunnelledCreations;
  // The files the launcher itself holds open, by sandbox path.
  std::map<std::filesystem::path, SimOpenFile> openFiles;

  // The sandbox path of a Windows path.
  std::filesystem::path HostPath(const std::string& windowsPath) const;

  // Modules by lower-cased path.
  std::map<std::string, SimModule> modules;
  std::string ownModulePath;
  // Every LoadModule call, in order.
  std::vector<ModuleLoadRecord> moduleLoads;
  // What the system can do to limit the DLL search (a system without
  // SetDefaultDllDirectories offers kWithoutCurrentFolder), and what
  // LimitDllSearch did; kUnchanged until it is called.
  platform::DllSearch dllSearchOffered = platform::DllSearch::kSystemFolderOnly;
  platform::DllSearch dllSearch = platform::DllSearch::kUnchanged;

  // Top-level windows in Z order, topmost first.
  std::vector<SimWindow> windows;
  platform::WindowHandle foregroundWindow = 0;
  std::uint32_t currentThreadId = 1;
  std::uint32_t processId = 4242;
  // The user the process runs as.
  std::string userSid = "S-1-5-21-1004336348-1177238915-682003330-1001";
  // What UnpredictableNumber answers next; each answer moves it on by a
  // fixed step, so that a test can tell the names it leads to.
  std::uint32_t nextUnpredictableNumber = 0x5EED0001;

  // What the system's SHGetFolderPathW answers, by CSIDL, as narrow text in
  // the process's code page; a missing entry fails. "shell32.dll" exports it
  // unless a test removes the module.
  std::map<int, std::string> shellFolders;
  std::int32_t shellFolderResult = 0;

  std::vector<MessageBoxRecord> messageBoxes;
  int comInitializations = 0;
  int comUninitializations = 0;
  // The OLE message filter registered now (CoRegisterMessageFilter), with
  // the numbers it was given; nothing while none is. Registering can be
  // made to fail ("CoRegisterMessageFilter").
  std::optional<platform::RetryPolicy> messageFilter;
  int messageFilterRegistrations = 0;
  int messageFilterRevocations = 0;
  int eventWaits = 0;

  // The millisecond clock (GetTickCount). Only Pause moves it, so a test
  // sees every wait the logic makes, and none of them takes real time.
  // It starts seconds before its wrap, so that every wait crosses it.
  std::uint32_t tickCount = 0xFFFFF000;
  std::vector<std::uint32_t> pauses;
  // Runs after every pause, standing for what other processes do meanwhile.
  std::function<void()> whilePausing;

  FaultPlan faults;

  // COM: ProgIDs (compared without regard to case) and the classes behind
  // CLSIDs. CoCreateInstance records the class context it was asked for.
  std::map<std::u16string, CLSID> progIds;
  std::vector<SimComClass> comClasses;
  DWORD lastComClassContext = 0;
  // The thread's last error (GetLastError/SetLastError).
  DWORD lastError = 0;
  // The process's ANSI code page (CP_ACP): Windows-1252, or UTF-8 for a
  // launcher whose manifest asks for it; the system's, which the authoring
  // tool wrote its text in, stays Windows-1252 unless a test says otherwise.
  std::uint32_t processCodePage = 1252;
  std::uint32_t systemCodePage = 1252;
  // Lead-byte ranges of the ANSI code page, none in Windows-1252. A test
  // sets a double-byte code page's (0x81-0x9F and 0xE0-0xFC for code page
  // 932) to see names read character by character; conversions stay
  // Windows-1252.
  std::vector<std::pair<unsigned char, unsigned char>> leadByteRanges;

  // Named events (CreateEventA), owned by the event code of the sim.
  struct NamedEvent {
    bool signalled = false;
    // CreateEventA calls that made or opened it.
    int creations = 0;
    int openHandles = 0;
    int resets = 0;
    int waits = 0;
  };
  NamedObjects<NamedEvent> events{0x700};
  // The sim has no other threads, so a wait returns at once, as if the event
  // had been set just then. This runs first, standing for what the thread
  // that sets the event does while the caller waits.
  std::function<void()> whileWaitingForEvent;

  // Named mutexes (CreateMutexA), by name, owned by the mutex code of the
  // sim. The sim has no other processes: a test that wants another start to
  // hold one says so here.
  struct NamedMutex {
    // Another start owns it.
    bool heldElsewhere = false;
    // That other start ended without releasing it.
    bool abandoned = false;
    // How many ownerships the launcher holds now.
    int ownerships = 0;
    int openHandles = 0;
    int waits = 0;
    std::uint32_t lastWaitMilliseconds = 0;
  };
  NamedObjects<NamedMutex> mutexes{0x900};
  // Runs at the start of every wait for a mutex, standing for what the
  // other start does while the launcher waits (it may release the mutex).
  std::function<void()> whileWaitingForMutex;

  // The registry: a tree under each predefined root.
  std::map<void*, SimRegistryKey> registry;
  int openRegistryKeys = 0;
  // The registry entry points the process bound from advapi32, from its
  // first key on.
  std::optional<platform::RegistryEntryPoints> registryEntryPoints;
  // Whether the process is 32-bit code on 64-bit Windows (the x86 edition
  // there): HKLM\Software is then HKLM\Software\Wow6432Node for it, the
  // view where 32-bit programs, a 32-bit Excel among them, register, unless
  // a call asks for the other view. A 64-bit process sees the native keys.
  bool wow64Process = false;

  // The key at `path` (backslash-separated) below `root`; nullptr when it
  // does not exist and `create` is false.
  SimRegistryKey* RegistryKeyAt(void* root, const std::string& path,
                                bool create = false);
  void SetRegistryValue(void* root, const std::string& path,
                        const std::string& name, std::uint32_t type,
                        std::vector<std::uint8_t> data);
  void SetRegistryText(void* root, const std::string& path,
                       const std::string& name, const std::string& text);
  void SetRegistryDword(void* root, const std::string& path,
                        const std::string& name, std::uint32_t value);

  SimModule& AddModule(const std::string& path);
  SimModule* FindModule(const std::string& path);
  void AddResource(const std::string& modulePath, std::string_view type,
                   std::uint16_t id, std::vector<std::uint8_t> bytes);
  // A module whose resources are those of a real PE file on the host.
  bool AddModuleFromPeFile(const std::string& path,
                           const std::string& hostFile);
  int LoadedModuleReferences() const;
  // Adds a top-level window below the others.
  void AddWindow(platform::WindowHandle handle, std::uint32_t threadId,
                 std::string className = "Window");
  const SimWindow* FindWindow(platform::WindowHandle handle) const;
};

// The one world of this process.
World& TheWorld();
// Replaces the world with an empty one.
void ResetWorld();

}  // namespace sim
