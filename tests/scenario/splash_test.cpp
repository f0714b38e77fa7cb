#include "launcher/splash.h"

#include <algorithm>

#include "common/messages.h"
#include "launcher/main_sequence.h"
#include "launcher/start_guard.h"
#include "platform/events.h"
#include "resources/resource_catalogue.h"
#include "tests/doubles/excel_automation/excel_double_inproc.h"
#include "tests/support/record_bytes.h"
#include "tests/support/sim_test.h"
#include "tests/support/zip_test_archive.h"

namespace {

const std::string kExe = "C:\\Tools\\Budget.exe";
const std::string kRuntime =
    "C:\\Users\\u\\AppData\\Local\\Quorvane\\SheltraRuntime.dll";
const std::string kEventName = "SheltraSplash";

// What the runtime module's cWeuyRtj was handed, read as the module reads
// it, and the events of the world at that moment.
struct SplashCall {
  const SplashByteBuffer* buffer = nullptr;
  const void* unusedWord = nullptr;
  std::vector<std::uint8_t> bytesSeen;
  std::ptrdiff_t reservedBytes = 0;
  std::uint32_t milliseconds = 0;
  const SplashData* dataAddress = nullptr;
  SplashData data;
  std::map<std::string, sim::World::NamedEvent> eventsAtCall;
  // How often the launcher owned the start guard at the call.
  int guardOwnerships = 0;
};

int GuardOwnerships() {
  const auto& mutexes = sim::TheWorld().mutexes.byName;
  auto guard = mutexes.find(StartGuard::NameForUser());
  return guard == mutexes.end() ? 0 : guard->second.ownerships;
}

// The module's exports are plain functions, so what they see is kept here.
std::vector<SplashCall> splashCalls;
const char* moduleEventName = nullptr;

const char* ModuleEventName() { return moduleEventName; }

void ModuleStartsSplash(const SplashByteBuffer* buffer,
                        std::uint32_t milliseconds, const SplashData* data) {
  splashCalls.push_back({buffer, buffer->unused,
                         std::vector<std::uint8_t>(buffer->first, buffer->last),
                         buffer->storageEnd - buffer->first, milliseconds,
                         data, *data, sim::TheWorld().events.byName,
                         GuardOwnerships()});
}

class SplashTest : public SimTest {
 protected:
  const std::vector<std::uint8_t> kPicture = {'P', 'K', 3, 4, 0, 0xFF, 0xD8};

  void SetUp() override {
    SimTest::SetUp();
    splashCalls.clear();
    moduleEventName = kEventName.c_str();
    world().AddResource(kExe, "SPLASH", 104, kPicture);
    // Version 2, the three parameters, 3 seconds, and a word not read.
    world().AddResource(kExe, "SPLASH_DATA", 107, Words({2, 7, 8, 9, 3, 0}));
    sim::SimModule& runtime = world().AddModule(kRuntime);
    runtime.exports["WeRTlwN"] = reinterpret_cast<void*>(&ModuleEventName);
    runtime.exports["cWeuyRtj"] = reinterpret_cast<void*>(&ModuleStartsSplash);
  }

  platform::UniqueEvent Start() {
    ResourceCatalogue catalogue;
    return StartSplash(catalogue, kExe, kRuntime, handOff_);
  }

  int RuntimeReferences() { return world().FindModule(kRuntime)->references; }

  // No call of the module, no event, and the module not even loaded.
  void ExpectNoSplash() {
    EXPECT_FALSE(Start());
    EXPECT_TRUE(splashCalls.empty());
    EXPECT_TRUE(world().events.byName.empty());
    EXPECT_EQ(RuntimeReferences(), 0);
  }

  SplashHandOff handOff_;
};

TEST_F(SplashTest, ModuleReadsTheResourceAndTheSettingsThroughTheRun) {
  const platform::UniqueEvent event = Start();
  ASSERT_EQ(splashCalls.size(), 1u);
  const SplashCall& call = splashCalls[0];
  EXPECT_EQ(call.bytesSeen, kPicture);
  EXPECT_EQ(call.unusedWord, nullptr);
  EXPECT_GE(call.reservedBytes, static_cast<std::ptrdiff_t>(kPicture.size()));
  ExpectSplashWords(call.data, 7, 8, 9, 3);
  EXPECT_EQ(call.milliseconds, 3000u);
  // Both are the run's own, so they outlive the call.
  EXPECT_EQ(call.buffer, &handOff_.buffer);
  EXPECT_EQ(call.dataAddress, &handOff_.data);
  EXPECT_TRUE(event);
  // Still loaded after the step: the module draws on after the call.
  EXPECT_EQ(RuntimeReferences(), 1);
  // By its full path, its imports taken from its own folder.
  ASSERT_FALSE(world().moduleLoads.empty());
  EXPECT_EQ(world().moduleLoads.back().path, kRuntime);
  EXPECT_EQ(world().moduleLoads.back().as, platform::LoadAs::kModuleByFullPath);
}

TEST_F(SplashTest, EventIsUnsignalledBeforeTheModuleStartsAndClosedAfterWait) {
  platform::UniqueEvent event = Start();
  ASSERT_EQ(splashCalls.size(), 1u);
  const auto& atCall = splashCalls[0].eventsAtCall;
  ASSERT_TRUE(atCall.contains(kEventName));
  EXPECT_FALSE(atCall.at(kEventName).signalled);
  EXPECT_EQ(atCall.at(kEventName).creations, 1);
  EXPECT_EQ(atCall.at(kEventName).resets, 1);
  EXPECT_EQ(atCall.at(kEventName).openHandles, 1);

  WaitForSplash(std::move(event));
  EXPECT_EQ(world().events.byName.at(kEventName).waits, 1);
  EXPECT_EQ(world().events.byName.at(kEventName).openHandles, 0);
}

TEST_F(SplashTest, EventOfThatNameLeftSignalledIsOpenedAndReset) {
  platform::UniqueEvent earlier(platform::CreateNamedEvent(kEventName));
  ASSERT_TRUE(world().events.byName.at(kEventName).signalled);
  const platform::UniqueEvent event = Start();
  ASSERT_EQ(splashCalls.size(), 1u);
  EXPECT_FALSE(splashCalls[0].eventsAtCall.at(kEventName).signalled);
  EXPECT_EQ(splashCalls[0].eventsAtCall.at(kEventName).creations, 2);
}

TEST_F(SplashTest, DurationIsSecondsTimesAThousandIn32UnsignedBits) {
  const struct {
    std::int32_t seconds;
    std::uint32_t milliseconds;
  } cases[] = {{0, 10000},
               {1, 1000},
               {4294967, 4294967000u},
               {5000000, 705032704u},  // 5 000 000 000 less 2^32
               {-2, 4294965296u}};     // -2000 as 32 unsigned bits
  for (const auto& c : cases) {
    world().AddResource(kExe, "SPLASH_DATA", 107, Words({2, 1, 0, 0, c.seconds}));
    splashCalls.clear();
    Start();
    ASSERT_EQ(splashCalls.size(), 1u) << c.seconds;
    EXPECT_EQ(splashCalls[0].milliseconds, c.milliseconds) << c.seconds;
  }
}

TEST_F(SplashTest, SettingsOfOneByteGiveTheDefaultsAndTenSeconds) {
  world().AddResource(kExe, "SPLASH_DATA", 107, {2});
  Start();
  ASSERT_EQ(splashCalls.size(), 1u);
  ExpectSplashWords(splashCalls[0].data, 1, 0, 0, 0);
  EXPECT_EQ(splashCalls[0].milliseconds, 10000u);
}

TEST_F(SplashTest, NoSplashWithoutSettings) {
  world().FindModule(kExe)->resources.erase({"SPLASH_DATA", 107});
  ExpectNoSplash();
}

TEST_F(SplashTest, NoSplashWithEmptySettings) {
  world().AddResource(kExe, "SPLASH_DATA", 107, {});
  ExpectNoSplash();
}

TEST_F(SplashTest, NoSplashWithoutPicture) {
  world().FindModule(kExe)->resources.erase({"SPLASH", 104});
  ExpectNoSplash();
}

TEST_F(SplashTest, PlaceholderPictureOfOneByteIsNoSplash) {
  world().AddResource(kExe, "SPLASH", 104, {'1'});
  ExpectNoSplash();
}

TEST_F(SplashTest, MissingExportOrModuleIsSilent) {
  auto& exports = world().FindModule(kRuntime)->exports;
  for (const char* missing : {"cWeuyRtj", "WeRTlwN"}) {
    void* const kept = exports.at(missing);
    exports.erase(missing);
    EXPECT_FALSE(Start()) << missing;
    EXPECT_TRUE(splashCalls.empty()) << missing;
    EXPECT_TRUE(world().events.byName.empty()) << missing;
    exports[missing] = kept;
  }

  ASSERT_EQ(world().modules.erase(
                "c:\\users\\u\\appdata\\local\\quorvane\\sheltraruntime.dll"),
            1u);
  EXPECT_FALSE(Start());
  EXPECT_TRUE(splashCalls.empty());
}

TEST_F(SplashTest, SplashWithoutEventWhenTheModuleNamesNone) {
  moduleEventName = nullptr;
  EXPECT_FALSE(Start());
  ASSERT_EQ(splashCalls.size(), 1u);
  EXPECT_TRUE(world().events.byName.empty());
}

TEST_F(SplashTest, SplashWithoutEventWhenTheEventCannotBeMade) {
  world().faults.FailCall("CreateNamedEvent", 1);
  EXPECT_FALSE(Start());
  ASSERT_EQ(splashCalls.size(), 1u);
  EXPECT_EQ(splashCalls[0].milliseconds, 3000u);
}

// The splash within whole runs of the main sequence, with Excel (the
// automation double) opening the workbook unless a test takes it away.
class SplashInTheRunTest : public SplashTest {
 protected:
  void SetUp() override {
    SplashTest::SetUp();
    world().AddResource(kExe, "EXT", 106, {'.', 'x', 'l', 'a', 'm', 0});
    world().AddResource(kExe, "RUNTIME", 102,
                        OneEntryZip("SheltraRuntime.dll", "MZ module"));
    world().AddResource(kExe, "XLAM", 119, Bytes("PK loader add-in"));
    excel_double::RegisterInSimWorld();
    WatchTheWait();
  }

  void CarryHelpFile(const std::string& name) {
    std::vector<std::uint8_t> help = Words({0});
    help.insert(help.end(), name.begin(), name.end());
    const std::vector<std::uint8_t> rest = {0, 3, 0, 0, 0, 'I', 'T', 'S'};
    help.insert(help.end(), rest.begin(), rest.end());
    world().AddResource(kExe, "CHM", 115, help);
  }

  // What the world looks like while the run waits for the splash.
  struct AtWait {
    bool helpFileWritten = false;
    bool workbookOpened = false;
    std::size_t messageBoxes = 0;
    std::vector<std::uint8_t> bytesStillSeen;
    SplashData dataStillSeen;
    int guardOwnerships = 0;
  };
  std::vector<AtWait> waits_;

  void WatchTheWait() {
    world().whileWaitingForEvent = [this] {
      const SplashCall& call = splashCalls.back();
      waits_.push_back(
          {std::filesystem::exists(world().HostPath(
               "C:\\Users\\u\\AppData\\Local\\Temp\\Guide.chm")),
           WorkbooksOpened() > 0, world().messageBoxes.size(),
           std::vector<std::uint8_t>(call.buffer->first, call.buffer->last),
           *call.dataAddress, GuardOwnerships()});
    };
  }

  sim::World::NamedMutex& Guard() {
    return world().mutexes.byName[StartGuard::NameForUser()];
  }

  bool RuntimeInstalled() {
    return std::filesystem::exists(world().HostPath(kRuntime));
  }

  // How often Excel was asked to open the workbook so far.
  std::ptrdiff_t WorkbooksOpened() {
    const std::vector<std::string> excel = excel_double::JournalLines();
    return std::count_if(excel.begin(), excel.end(), [](const std::string& line) {
      return line.starts_with("invoke\tWorkbooks\tOpen\t") &&
             line.find("Budget.xlam") != std::string::npos;
    });
  }
};

TEST_F(SplashInTheRunTest, RunWaitsAfterTheLaunchWithTheHandOffStillAlive) {
  CarryHelpFile("Guide.chm");
  RunLauncher(kExe);
  EXPECT_TRUE(world().messageBoxes.empty());
  ASSERT_EQ(splashCalls.size(), 1u);
  ASSERT_EQ(waits_.size(), 1u);
  EXPECT_TRUE(waits_[0].helpFileWritten);
  EXPECT_TRUE(waits_[0].workbookOpened);
  EXPECT_EQ(waits_[0].bytesStillSeen, kPicture);
  ExpectSplashWords(waits_[0].dataStillSeen, 7, 8, 9, 3);
  EXPECT_EQ(world().events.byName.at(kEventName).openHandles, 0);
  // The installed module stays loaded; every other module was released.
  EXPECT_EQ(RuntimeReferences(), 1);
  EXPECT_EQ(world().LoadedModuleReferences(), 1);
}

TEST_F(SplashInTheRunTest, HelpFileMessageIsShownAfterTheWait) {
  CarryHelpFile("");
  RunLauncher(kExe);
  ASSERT_EQ(waits_.size(), 1u);
  EXPECT_TRUE(waits_[0].workbookOpened);
  EXPECT_EQ(waits_[0].messageBoxes, 0u);
  ASSERT_EQ(world().messageBoxes.size(), 1u);
  EXPECT_EQ(world().messageBoxes[0].text, messages::kHelpFileNameMissing);
}

TEST_F(SplashInTheRunTest, HelpFileMessageIsReplacedByTheLaunchMessage) {
  CarryHelpFile("");
  world().progIds.clear();  // no Excel
  RunLauncher(kExe);
  ASSERT_EQ(waits_.size(), 1u);
  EXPECT_EQ(waits_[0].messageBoxes, 0u);
  ASSERT_EQ(world().messageBoxes.size(), 1u);
  EXPECT_NE(world().messageBoxes[0].text, messages::kHelpFileNameMissing);
}

TEST_F(SplashInTheRunTest, NoEventNoWait) {
  moduleEventName = nullptr;
  RunLauncher(kExe);
  EXPECT_TRUE(world().messageBoxes.empty());
  EXPECT_EQ(splashCalls.size(), 1u);
  EXPECT_EQ(world().eventWaits, 0);
}

// Two starts of one user a moment apart: the start guard keeps the second
// from installing over the first or sharing its splash event.
TEST_F(SplashInTheRunTest, GuardIsHeldFromTheInstallationToTheEndOfTheWait) {
  bool installedBeforeTheGuard = true;
  world().whileWaitingForMutex = [&] {
    installedBeforeTheGuard = RuntimeInstalled();
  };
  RunLauncher(kExe);
  EXPECT_TRUE(world().messageBoxes.empty());
  EXPECT_FALSE(installedBeforeTheGuard);
  EXPECT_EQ(Guard().lastWaitMilliseconds, StartGuard::kWaitMilliseconds);
  ASSERT_EQ(splashCalls.size(), 1u);
  EXPECT_EQ(splashCalls[0].guardOwnerships, 1);
  ASSERT_EQ(waits_.size(), 1u);
  EXPECT_EQ(waits_[0].guardOwnerships, 1);
  EXPECT_EQ(Guard().ownerships, 0);
  EXPECT_EQ(Guard().openHandles, 0);
}

TEST_F(SplashInTheRunTest, GuardKeptByAnotherStartMeansNoSplashButAFullStart) {
  Guard().heldElsewhere = true;
  RunLauncher(kExe);
  EXPECT_EQ(Guard().waits, 1);
  EXPECT_TRUE(RuntimeInstalled());
  EXPECT_EQ(WorkbooksOpened(), 1);
  EXPECT_TRUE(splashCalls.empty());
  EXPECT_EQ(RuntimeReferences(), 0);
  EXPECT_TRUE(world().events.byName.empty());
  EXPECT_EQ(world().eventWaits, 0);
  EXPECT_TRUE(world().messageBoxes.empty());
  EXPECT_EQ(Guard().openHandles, 0);
}

// Another user's start in the same logon session (RunAs) holds a guard of
// its own name, and never this user's.
TEST_F(SplashInTheRunTest, GuardIsTheUsersOwn) {
  const std::string ownName = StartGuard::NameForUser();
  EXPECT_EQ(ownName, std::string(StartGuard::kName) + "." + world().userSid);
  world().mutexes.byName[std::string(StartGuard::kName) + ".S-1-5-21-7-7-7-1002"]
      .heldElsewhere = true;
  world().mutexes.byName[StartGuard::kName].heldElsewhere = true;
  RunLauncher(kExe);
  EXPECT_TRUE(world().messageBoxes.empty());
  ASSERT_EQ(splashCalls.size(), 1u);
  EXPECT_EQ(splashCalls[0].guardOwnerships, 1);
  // Without the user's identifier the session's one name is all there is.
  world().faults.FailCall("CurrentUserSid", 1);
  EXPECT_EQ(StartGuard::NameForUser(), StartGuard::kName);
}

TEST_F(SplashInTheRunTest, GuardLeftByAKilledStartIsTakenOver) {
  Guard().heldElsewhere = true;
  Guard().abandoned = true;
  RunLauncher(kExe);
  EXPECT_TRUE(world().messageBoxes.empty());
  ASSERT_EQ(splashCalls.size(), 1u);
  EXPECT_EQ(splashCalls[0].guardOwnerships, 1);
  EXPECT_EQ(world().eventWaits, 1);
  EXPECT_EQ(Guard().ownerships, 0);
}

TEST_F(SplashInTheRunTest, GuardTheSystemCannotGiveMeansNoSplash) {
  for (const char* operation : {"CreateNamedMutex", "WaitForMutex"}) {
    const std::ptrdiff_t opened = WorkbooksOpened();
    world().faults.FailCall(operation, 1);
    RunLauncher(kExe);
    EXPECT_TRUE(world().messageBoxes.empty()) << operation;
    EXPECT_TRUE(splashCalls.empty()) << operation;
    EXPECT_EQ(WorkbooksOpened(), opened + 1) << operation;
    EXPECT_EQ(Guard().ownerships, 0) << operation;
    EXPECT_EQ(Guard().openHandles, 0) << operation;
  }
}

TEST_F(SplashInTheRunTest, GuardIsReleasedWhenTheInstallationFails) {
  world().FindModule(kExe)->resources.erase({"RUNTIME", 102});
  RunLauncher(kExe);
  ASSERT_EQ(world().messageBoxes.size(), 1u);
  EXPECT_EQ(world().messageBoxes[0].text, messages::kRuntimeMissing);
  EXPECT_EQ(Guard().waits, 1);
  EXPECT_EQ(Guard().ownerships, 0);
  EXPECT_EQ(Guard().openHandles, 0);
}

}  // namespace
