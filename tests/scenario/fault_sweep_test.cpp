// Every way a start can fail, walked: a clean run of a world first records
// which platform operations it calls and how often; then, for every
// operation and every call position N of it, a fresh world fails exactly
// that call and the whole start runs again. After every run the invariants
// below must hold, whatever failed.
#include <algorithm>
#include <functional>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "ascii/ascii_case.h"
#include "common/messages.h"
#include "launcher/main_sequence.h"
#include "platform/registry_api.h"
#include "tests/doubles/excel_automation/excel_double_inproc.h"
#include "tests/support/sim_test.h"
#include "tests/support/zip_test_archive.h"

namespace {

const std::string kExe = "C:\\Tools\\Budget.exe";
const std::string kProduct = "C:\\Users\\u\\AppData\\Local\\Quorvane\\";
const std::string kRuntime = kProduct + "SheltraRuntime.dll";
const std::string kXlam = kProduct + "shLdr.xlam";
const std::string kXla = kProduct + "shLdr.xla";
const std::string kTemp = "C:\\Users\\u\\AppData\\Local\\Temp\\";
const std::string kHelp = kTemp + "Guide.chm";
const std::string kRegistered = "C:\\Sheltra\\SheltraRuntime.dll";
const std::string kResiliency =
    "SOFTWARE\\Microsoft\\Office\\12.0\\Excel\\Resiliency";

const std::string kModuleBytes = SampleData(40000);
const std::string kAddinBytes = "PK loader add-in";
const std::string kHelpBytes = "ITS";

// The runtime module's exports, as host functions.
const char* SplashEventName() { return "SheltraSplash"; }
void ShowSplash(const void*, std::uint32_t, const void*) {}
std::int32_t Version29() { return 29; }

// The operations the simulated Windows only notes, each with why it cannot
// fail: a fault asked of them never fires. A fault of any other operation
// that never fires means the simulated Windows stopped consulting its fault
// plan there, and the sweep would walk error paths it never takes.
const std::map<std::string, std::string> kNeverFires = {
    {"ReleaseMutex",
     "releasing the start guard this thread owns has no failure to report"},
};

// The error an operation reports when it fails in real life.
std::int32_t RealFailure(const std::string& operation) {
  static const std::map<std::string, std::int32_t> kCodes = {
      {"RegOpenKeyExA", 5},        // ERROR_ACCESS_DENIED
      {"RegQueryValueExA", 5},
      {"SHDeleteKeyA", 5},
      {"MultiByteToWideChar", 1113},  // ERROR_NO_UNICODE_TRANSLATION
      {"WideCharToMultiByte", 1113},
      {"CLSIDFromProgID", static_cast<std::int32_t>(0x800401F3)},  // CO_E_CLASSSTRING
      {"CoCreateInstance", static_cast<std::int32_t>(0x80080005)},  // CO_E_SERVER_EXEC_FAILURE
      {"VariantCopy", static_cast<std::int32_t>(0x8007000E)},       // E_OUTOFMEMORY
      {"VariantChangeType", static_cast<std::int32_t>(0x8007000E)},
  };
  auto found = kCodes.find(operation);
  return found == kCodes.end() ? 1 : found->second;
}

// Every key of the registry, as "<root>\<path>".
void CollectKeys(const sim::SimRegistryKey& key, const std::string& path,
                 std::set<std::string>& keys) {
  for (const auto& [name, subkey] : key.subkeys) {
    const std::string full = path + "\\" + name;
    keys.insert(full);
    CollectKeys(subkey, full, keys);
  }
}

std::set<std::string> RegistryKeys() {
  std::set<std::string> keys;
  for (const auto& [root, key] : sim::TheWorld().registry) {
    CollectKeys(key, std::to_string(reinterpret_cast<std::uintptr_t>(root)),
                keys);
  }
  return keys;
}

// What a file the launcher installs may be after any start: absent, the
// earlier start's, or the one carried, byte for byte.
struct InstalledFile {
  std::string path;
  std::string carried;
  std::string earlier;  // empty: there was none
};

class FaultSweepTest : public SimTest {
 protected:
  using Arrangement = std::function<void()>;

  // The road of one start: nothing registered, the runtime installed, the
  // splash handed over, Excel started with the loader add-in.
  void CarryTheRoadOfOneStart() {
    world().AddResource(kExe, "EXT", 106, {'.', 'x', 'l', 'a', 'm', 0});
    world().AddResource(kExe, "XLAM", 119, Bytes(kAddinBytes));
    world().AddResource(kExe, "RUNTIME", 102,
                        OneEntryZip("SheltraRuntime.dll", kModuleBytes));
    world().AddResource(kExe, "SPLASH", 104, Bytes("PK splash"));
    world().AddResource(kExe, "SPLASH_DATA", 107, {2, 0, 0, 0, 1, 0, 0, 0});
    sim::SimModule& runtime = world().AddModule(kRuntime);
    runtime.exports["WeRTlwN"] = reinterpret_cast<void*>(&SplashEventName);
    runtime.exports["cWeuyRtj"] = reinterpret_cast<void*>(&ShowSplash);
    std::filesystem::create_directories(
        world().HostPath("C:\\Users\\u\\AppData\\Local"));
    excel_double::RegisterInSimWorld();
    files_ = {{kRuntime, kModuleBytes, ""}, {kXlam, kAddinBytes, ""}};
  }

  // The add-in registered with a current module, Excel 12's resiliency
  // records to clean, and the files of an earlier start in place.
  void CarryARegisteredAddinWithRecords() {
    CarryTheRoadOfOneStart();
    RegisterRuntimeAddin(kRegistered);
    world().AddModule(kRegistered).exports["RtmGetVersion"] =
        reinterpret_cast<void*>(&Version29);
    InstallExcel(12, "C:\\Office12\\");
    world().RegistryKeyAt(platform::kCurrentUser,
                          kResiliency + "\\DisabledItems", true);
    world().RegistryKeyAt(platform::kCurrentUser,
                          "SOFTWARE\\Microsoft\\Office\\12.0\\Excel\\Options",
                          true);
    PutFile(kRuntime, "MZ an earlier start's module");
    files_ = {{kRuntime, kModuleBytes, "MZ an earlier start's module"}};
  }

  // A help file to write, with an earlier one in place, and Excel 11, which
  // takes the other edition of the loader add-in.
  void CarryAHelpFileForExcel11() {
    CarryTheRoadOfOneStart();
    std::vector<std::uint8_t> help = {0, 0, 0, 0};
    for (char c : std::string("Guide.chm")) help.push_back(c);
    const std::vector<std::uint8_t> rest = {0, 3, 0, 0, 0, 'I', 'T', 'S'};
    help.insert(help.end(), rest.begin(), rest.end());
    world().AddResource(kExe, "CHM", 115, help);
    world().AddResource(kExe, "XLA", 121, Bytes("OLE2 loader add-in"));
    excel_double::RegisterInSimWorld("Version=11.0");
    PutFile(kHelp, "an earlier help file");
    PutFile(kXla, "an earlier add-in");
    files_ = {{kRuntime, kModuleBytes, ""},
              {kXla, "OLE2 loader add-in", "an earlier add-in"},
              {kHelp, kHelpBytes, "an earlier help file"}};
  }

  // An Excel busy for its first calls, waited for.
  void CarryABusyExcel() {
    CarryTheRoadOfOneStart();
    excel_double::RegisterInSimWorld("busy.calls=3");
  }

  // An Excel that refuses to start.
  void CarryAnExcelThatRefuses() {
    CarryTheRoadOfOneStart();
    excel_double::RegisterInSimWorld("create=80070005");
  }

  // Runs `arrange`d starts, failing every call position of every operation
  // in turn; reports each broken invariant with the operation and position.
  void Sweep(const char* worldName, const Arrangement& arrange) {
    arrange();
    const std::set<std::string> keysBefore = RegistryKeys();
    RunAndCheck(worldName, "no fault", 0, keysBefore);
    std::map<std::string, int> calls;
    for (const std::string& operation : world().faults.Calls()) {
      ++calls[operation];
    }

    int points = 0;
    for (const auto& [operation, count] : calls) {
      const bool listedNeverFiring = kNeverFires.contains(operation);
      for (int nth = 1; nth <= count; ++nth) {
        StartFromEmptyWorld();
        arrange();
        world().faults.FailCall(operation, nth, RealFailure(operation));
        RunAndCheck(worldName, operation, nth, keysBefore);
        ++points;
        const bool fired = !world().faults.IsPending(operation);
        if (fired == listedNeverFiring) {
          ADD_FAILURE() << worldName << ", " << operation << " #" << nth
                        << (fired ? ": fired, though listed as never firing"
                                  : ": the fault never fired");
        }
      }
    }
    std::cout << "fault sweep '" << worldName << "': " << points
              << " fault points over " << calls.size() << " operations"
              << std::endl;
  }

 private:
  void RunAndCheck(const std::string& worldName, const std::string& operation,
                   int nth, const std::set<std::string>& keysBefore) {
    RunLauncher(kExe);
    const std::string where =
        worldName + ", " + operation + " #" + std::to_string(nth) + ": ";
    for (const std::string& broken : BrokenInvariants(keysBefore)) {
      ADD_FAILURE() << where << broken;
    }
  }

  bool IsMessageOfTheTable(const std::string& text) {
    static const std::regex kLaunchFailed(
        "Sheltra was unable to launch Excel application\\. Error code: "
        "0x[0-9A-F]{8}");
    const std::set<std::string> fixed = {
        messages::RuntimeTooOld(),
        messages::WorkbookPathFailed(""),
        messages::kRegistryCleanupFailed,
        messages::kNoApplicationDataFolder,
        messages::kRuntimeMissing,
        messages::RuntimeNotInstalled(kRuntime),
        messages::kHelpFileNameMissing,
        messages::HelpFileNotCreated(kHelp),
        messages::kHelpDataNotLoaded,
        messages::ExcelTooOldForWorkbook(),
        messages::ExcelMissing(),
        messages::kLoaderAddinNotExtracted,
        messages::LoaderAddinNotOpened(kXlam),
        messages::LoaderAddinNotOpened(kXla),
        messages::kSetupMacroFailed};
    return fixed.contains(text) || std::regex_match(text, kLaunchFailed);
  }

  // The names left in a folder that are no file of the launcher's: partial
  // installed files and staged archives.
  std::vector<std::string> LeftOvers(const std::string& folder) {
    std::vector<std::string> left;
    const std::filesystem::path host = world().HostPath(folder);
    if (!std::filesystem::exists(host)) return left;
    for (const auto& entry : std::filesystem::directory_iterator(host)) {
      const std::string name = entry.path().filename().string();
      if (name.ends_with(".partial") || name.ends_with(".dat")) {
        left.push_back(name);
      }
    }
    return left;
  }

  std::vector<std::string> BrokenInvariants(
      const std::set<std::string>& keysBefore) {
    std::vector<std::string> broken;
    const auto& boxes = world().messageBoxes;
    if (boxes.size() > 1) broken.push_back("more than one message box");
    if (!boxes.empty() && !IsMessageOfTheTable(boxes[0].text)) {
      broken.push_back("a message not of the table: " + boxes[0].text);
    }
    for (const InstalledFile& file : files_) {
      if (!platform::PathExists(file.path)) continue;
      const std::string content = FileContent(file.path);
      if (content != file.carried &&
          (file.earlier.empty() || content != file.earlier)) {
        broken.push_back(file.path + " holds " +
                         std::to_string(content.size()) +
                         " bytes, neither the earlier file nor the carried");
      }
    }
    for (const std::string& folder : {kProduct, kTemp}) {
      for (const std::string& name : LeftOvers(folder)) {
        broken.push_back("left in " + folder + ": " + name);
      }
    }
    if (excel_double::LiveObjects() != 0) {
      broken.push_back(std::to_string(excel_double::LiveObjects()) +
                       " Excel objects still referenced");
    }
    for (const auto& [path, module] : world().modules) {
      const int allowed = EqualsIgnoringAsciiCase(path, kRuntime) ? 1 : 0;
      if (!module.loadedBySystem && module.references > allowed) {
        broken.push_back(path + " still loaded");
      }
    }
    if (!world().openFiles.empty()) {
      broken.push_back(world().openFiles.begin()->first.string() +
                       " still open");
    }
    if (!world().events.handles.empty()) broken.push_back("an event left open");
    if (!world().mutexes.handles.empty()) broken.push_back("a mutex left open");
    for (const auto& [name, mutex] : world().mutexes.byName) {
      if (mutex.ownerships != 0) broken.push_back(name + " still owned");
    }
    if (world().openRegistryKeys != 0) {
      broken.push_back(std::to_string(world().openRegistryKeys) +
                       " registry keys left open");
    }
    const std::string resiliency =
        std::to_string(reinterpret_cast<std::uintptr_t>(platform::kCurrentUser)) +
        "\\software\\microsoft\\office\\12.0\\excel\\resiliency";
    const std::set<std::string> keysAfter = RegistryKeys();
    for (const std::string& key : keysBefore) {
      if (!keysAfter.contains(key) && !key.starts_with(resiliency)) {
        broken.push_back("registry key " + key + " deleted");
      }
    }
    return broken;
  }

  std::vector<InstalledFile> files_;
};

TEST_F(FaultSweepTest, RoadOfOneStart) {
  Sweep("road of one start", [this] { CarryTheRoadOfOneStart(); });
}

TEST_F(FaultSweepTest, RegisteredAddinWithResiliencyRecords) {
  Sweep("registered add-in with resiliency records",
        [this] { CarryARegisteredAddinWithRecords(); });
}

TEST_F(FaultSweepTest, HelpFileAndExcel11) {
  Sweep("help file and Excel 11", [this] { CarryAHelpFileForExcel11(); });
}

TEST_F(FaultSweepTest, BusyExcel) {
  Sweep("busy Excel", [this] { CarryABusyExcel(); });
}

TEST_F(FaultSweepTest, ExcelRefusing) {
  Sweep("Excel refusing", [this] { CarryAnExcelThatRefuses(); });
}

}  // namespace
