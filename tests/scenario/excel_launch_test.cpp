#include "automation/excel_launch.h"

#include <filesystem>
#include <string>
#include <vector>

#include "common/messages.h"
#include "platform/com_types.h"
#include "tests/doubles/excel_automation/excel_double_inproc.h"
#include "tests/support/sim_test.h"

namespace {

const std::string kExe = "C:\\Tools\\Budget.exe";
const std::string kWorkbook = "C:\\Tools\\Budget.xlam";
const std::string kRuntime =
    "C:\\Users\\u\\AppData\\Local\\Quorvane\\SheltraRuntime.dll";
const std::string kProductFolder = "C:\\Users\\u\\AppData\\Local\\Quorvane\\";
const std::string kXlamPath = kProductFolder + "shLdr.xlam";
const std::string kXlaPath = kProductFolder + "shLdr.xla";

// The calls a launch makes when every step succeeds, as the double journals
// them: object, member, dispatch flags, arguments in Invoke's order.
const std::vector<std::string> kStartCalls = {
    "Application.Workbooks 2",
    "Application.Version 2",
    "Workbooks.Open 1 BSTR:" + kXlamPath,
    "Application.Run 1 BSTR:" + kRuntime + " BSTR:SetupSheltraRtmModule",
};
const std::vector<std::string> kShowAndOpenCalls = {
    "Application.Visible 4 BOOL:-1",
    "Application.Activate 1",
    "Application.HWND 2",
    "Workbooks.Open 1 BSTR:" + kWorkbook,
    "Application.Run 1 BSTR:Auto_Open",
    "Application.ScreenUpdating 4 BOOL:-1",
};

std::vector<std::string> Joined(std::vector<std::string> first,
                                const std::vector<std::string>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos;
       start = tab + 1) {
    fields.push_back(line.substr(start, tab - start));
  }
  fields.push_back(line.substr(start));
  return fields;
}

class ExcelLaunchTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    world().AddResource(kExe, "XLAM", 119, Bytes("xlam edition"));
    world().AddResource(kExe, "XLA", 121, Bytes("xla edition"));
  }

  void Launch(const std::string& settings = {},
              const std::string& runtimePath = kRuntime,
              const std::string& workbookPath = kWorkbook) {
    excel_double::RegisterInSimWorld(settings);
    LaunchExcel(kExe, workbookPath, runtimePath, error_);
  }

  // Every Invoke the double received, as "Object.Member flags args...".
  // Checks on the way what every call must carry: a name looked up just
  // before with the user's default locale, IID_NULL, and the one named
  // argument of a property put.
  std::vector<std::string> Calls() {
    std::vector<std::string> calls;
    std::string lookedUp;
    for (const std::string& line : excel_double::JournalLines()) {
      const std::vector<std::string> f = Fields(line);
      if (f[0] == "names") {
        EXPECT_EQ(f[3], "lcid=1024") << line;
        lookedUp = f[1] + "." + f[2];
      }
      if (f[0] != "invoke") continue;
      std::string call = f[1] + "." + f[2];
      EXPECT_EQ(lookedUp, call) << "no name lookup before " << line;
      lookedUp.clear();
      EXPECT_EQ(f[4], "lcid=1024") << line;
      EXPECT_EQ(f[5], "iid=null") << line;
      EXPECT_EQ(f[6], f[3] == "flags=4" ? "named=-3" : "named=") << line;
      call += " " + f[3].substr(6);
      for (std::size_t i = 8; i < f.size(); ++i) call += " " + f[i];
      calls.push_back(call);
    }
    return calls;
  }

  void ExpectAllReleased() {
    EXPECT_EQ(excel_double::LiveObjects(), 0) << "a reference was kept";
  }

  LauncherError error_;
};

TEST_F(ExcelLaunchTest, StartLoadsTheAddinSetsUpTheRuntimeAndOpensTheWorkbook) {
  Launch();
  EXPECT_EQ(Calls(), Joined(kStartCalls, kShowAndOpenCalls));
  EXPECT_EQ(error_, "");
  EXPECT_EQ(FileContent(kXlamPath), "xlam edition");
  EXPECT_EQ(world().lastComClassContext, CLSCTX_LOCAL_SERVER);
  EXPECT_NE(excel_double::MainWindow(), 0u);
  EXPECT_EQ(world().foregroundWindow, excel_double::MainWindow());
  ExpectAllReleased();
}

TEST_F(ExcelLaunchTest, AddinEditionFollowsTheMajorVersion) {
  struct Row {
    const char* settings;
    const std::string& addin;
  };
  for (const Row& row : {Row{"Version=11.0", kXlaPath},
                         Row{"Version=#ERROR", kXlaPath},
                         Row{"fail=Version", kXlaPath},
                         Row{"Version=Excel", kXlaPath},
                         Row{"Version=", kXlaPath},
                         Row{"Version=99999999999.0", kXlaPath},
                         Row{"Version= 12.0", kXlamPath},
                         Row{"Version=16.0", kXlamPath}}) {
    Launch(row.settings);
    const std::vector<std::string> calls = Calls();
    ASSERT_GE(calls.size(), 3u) << row.settings;
    EXPECT_EQ(calls[2], "Workbooks.Open 1 BSTR:" + row.addin) << row.settings;
    EXPECT_EQ(error_, "") << row.settings;
  }
}

TEST_F(ExcelLaunchTest, RegisteredRuntimeSkipsVersionAddinAndSetup) {
  Launch({}, "");
  EXPECT_EQ(Calls(), Joined({"Application.Workbooks 2"}, kShowAndOpenCalls));
  EXPECT_FALSE(std::filesystem::exists(world().HostPath(kXlamPath)));
  EXPECT_EQ(error_, "");
  ExpectAllReleased();
}

TEST_F(ExcelLaunchTest, ExcelThatIsNotRegisteredGetsTheMessageForTheWorkbook) {
  excel_double::RegisterInSimWorld();
  world().progIds.clear();  // CO_E_CLASSSTRING
  error_ = "an earlier message";
  LaunchExcel(kExe, "C:\\Tools\\Budget.XLSX", kRuntime, error_);
  EXPECT_EQ(error_, messages::ExcelTooOldForWorkbook());
  LaunchExcel(kExe, kWorkbook, kRuntime, error_);
  EXPECT_EQ(error_, messages::ExcelMissing());

  excel_double::RegisterInSimWorld();
  world().comClasses.clear();  // REGDB_E_CLASSNOTREG
  LaunchExcel(kExe, "C:\\Tools\\Budget.xlsm", kRuntime, error_);
  EXPECT_EQ(error_, messages::ExcelTooOldForWorkbook());
  LaunchExcel(kExe, "C:\\Tools\\Budget.xls", kRuntime, error_);
  EXPECT_EQ(error_, messages::ExcelMissing());
  EXPECT_TRUE(excel_double::JournalLines().empty());
}

TEST_F(ExcelLaunchTest, OtherCreationFailuresShowTheirCode) {
  world().faults.FailCall("CoCreateInstance", 1, E_OUTOFMEMORY);
  Launch();
  EXPECT_EQ(error_, "Sheltra was unable to launch Excel application. "
                    "Error code: 0x8007000E");
  EXPECT_TRUE(Calls().empty());

  Launch("create=80070005");  // the server refuses: E_ACCESSDENIED
  EXPECT_EQ(error_, "Sheltra was unable to launch Excel application. "
                    "Error code: 0x80070005");
  EXPECT_TRUE(Calls().empty());
}

// The first call of the new Excel failing is a failure to launch, with its
// code; the hidden Excel is released, not asked to quit.
TEST_F(ExcelLaunchTest, UnreadableWorkbooksIsReportedWithItsCode) {
  error_ = "an earlier message";
  Launch("fail=Workbooks");
  EXPECT_EQ(Calls(), (std::vector<std::string>{"Application.Workbooks 2"}));
  EXPECT_EQ(error_, "Sheltra was unable to launch Excel application. "
                    "Error code: 0x80020009");  // DISP_E_EXCEPTION
  EXPECT_EQ(world().foregroundWindow, 0u);
  ExpectAllReleased();
}

TEST_F(ExcelLaunchTest, FailuresBeforeExcelIsShownStopWithTheirMessage) {
  struct Row {
    const char* settings;
    std::string message;
    std::size_t calls;  // how many of kStartCalls happen
  };
  for (const Row& row :
       {Row{"fail.open=" "C:\\Users\\u\\AppData\\Local\\Quorvane\\shLdr.xlam",
            messages::LoaderAddinNotOpened(kXlamPath), 3},
        Row{"fail.run=SetupSheltraRtmModule", messages::kSetupMacroFailed,
            4}}) {
    error_ = "an earlier message";
    Launch(row.settings);
    EXPECT_EQ(error_, row.message) << row.settings;
    EXPECT_EQ(Calls(), std::vector<std::string>(
                           kStartCalls.begin(),
                           kStartCalls.begin() +
                               static_cast<std::ptrdiff_t>(row.calls)))
        << row.settings;
    EXPECT_EQ(world().foregroundWindow, 0u) << row.settings;
    ExpectAllReleased();
  }
}

TEST_F(ExcelLaunchTest, MissingAddinStopsBeforeExcelOpensAnything) {
  world().FindModule(kExe)->resources.clear();
  Launch();
  EXPECT_EQ(error_, messages::kLoaderAddinNotExtracted);
  EXPECT_EQ(Calls(), std::vector<std::string>(kStartCalls.begin(),
                                              kStartCalls.begin() + 2));
  ExpectAllReleased();
}

TEST_F(ExcelLaunchTest, FailuresAfterExcelIsShownAreSilent) {
  Launch("fail=Visible\nfail=Activate\nfail.run=Auto_Open\n"
         "fail=ScreenUpdating");
  EXPECT_EQ(Calls(), Joined(kStartCalls, kShowAndOpenCalls));
  EXPECT_EQ(error_, "");
  EXPECT_EQ(world().foregroundWindow, excel_double::MainWindow());
  ExpectAllReleased();
}

TEST_F(ExcelLaunchTest, WorkbookThatDoesNotOpenGetsNoAutoOpen) {
  error_ = "an earlier message";
  Launch("fail.open=C:\\Tools\\Budget.xlam");
  const std::vector<std::string> calls = Calls();
  EXPECT_EQ(calls, Joined(kStartCalls,
                          {kShowAndOpenCalls.begin(),
                           kShowAndOpenCalls.begin() + 4}));
  EXPECT_EQ(error_, "an earlier message");
  ExpectAllReleased();
}

TEST_F(ExcelLaunchTest, WithoutHwndTheNewExcelWindowIsBroughtToTheFront) {
  // An Excel that was running before, with a lower handle than the double's.
  world().AddWindow(0x100, 7, "XLMAIN");
  Launch("fail=HWND");
  EXPECT_EQ(world().foregroundWindow, excel_double::MainWindow());
  EXPECT_EQ(Calls(), Joined(kStartCalls, kShowAndOpenCalls));
}

TEST_F(ExcelLaunchTest, NoKnownWindowMeansNoForegroundChange) {
  world().AddWindow(0x100, 7, "XLMAIN");
  world().foregroundWindow = 0x100;
  for (const char* settings : {"hwnd=0", "fail=HWND\nwindow=none"}) {
    Launch(settings);
    EXPECT_EQ(world().foregroundWindow, 0x100u) << settings;
    EXPECT_EQ(Calls(), Joined(kStartCalls, kShowAndOpenCalls)) << settings;
  }
}

TEST_F(ExcelLaunchTest, RefusedForegroundStillOpensTheWorkbook) {
  world().faults.FailCall("SetForegroundWindow", 1);
  Launch();
  EXPECT_EQ(world().foregroundWindow, 0u);
  EXPECT_EQ(Calls(), Joined(kStartCalls, kShowAndOpenCalls));
}

TEST_F(ExcelLaunchTest, ArgumentThatCannotBeBuiltEndsTheLaunchAsAFailure) {
  // The add-in path's conversion to wide text fails with
  // ERROR_NO_UNICODE_TRANSLATION (1113).
  world().faults.FailCall("MultiByteToWideChar", 1, 1113);
  Launch();
  EXPECT_EQ(error_, messages::ExcelLaunchFailed(0x80070459));
  EXPECT_EQ(Calls(), std::vector<std::string>(kStartCalls.begin(),
                                              kStartCalls.begin() + 2));
  ExpectAllReleased();

  // The workbook path's conversion, after Excel was shown (each text takes
  // two calls: the size, then the conversion), runs out of memory
  // (ERROR_NOT_ENOUGH_MEMORY, 8).
  world().faults.FailCall("MultiByteToWideChar", 8, 8);
  Launch();
  EXPECT_EQ(error_, messages::ExcelLaunchFailed(0x80070008));
  EXPECT_EQ(Calls(), Joined(kStartCalls, {kShowAndOpenCalls.begin(),
                                          kShowAndOpenCalls.begin() + 3}));
  ExpectAllReleased();
}

// --- an Excel that is busy or still starting ---------------------------------

// The journal's rejections, as "names|invoke Object.Member".
std::vector<std::string> Rejections() {
  std::vector<std::string> rejected;
  for (const std::string& line : excel_double::JournalLines()) {
    const std::vector<std::string> f = Fields(line);
    if (f[0] != "rejected") continue;
    EXPECT_EQ(f[4], "hr=0x8001010A") << line;
    rejected.push_back(f[1] + " " + f[2] + "." + f[3]);
  }
  return rejected;
}

// The journal's refused creations.
std::vector<std::string> Refusals() {
  std::vector<std::string> refused;
  for (const std::string& line : excel_double::JournalLines()) {
    if (line.starts_with("create-refused\t")) refused.push_back(line);
  }
  return refused;
}

std::uint32_t Waited() {
  std::uint32_t waited = 0;
  for (const std::uint32_t pause : sim::TheWorld().pauses) waited += pause;
  return waited;
}

TEST_F(ExcelLaunchTest, ExcelThatIsNotBusyCostsNoPause) {
  Launch();
  EXPECT_TRUE(world().pauses.empty());
  EXPECT_TRUE(Rejections().empty());
}

TEST_F(ExcelLaunchTest, ExcelBusyForItsFirstCallsIsWaitedFor) {
  Launch("busy.calls=4");
  EXPECT_EQ(Rejections(), std::vector<std::string>(
                              4, "names Application.Workbooks"));
  EXPECT_EQ(world().pauses, (std::vector<std::uint32_t>{100, 200, 400, 800}));
  // Then the same calls as of an Excel that was never busy.
  EXPECT_EQ(Calls(), Joined(kStartCalls, kShowAndOpenCalls));
  EXPECT_EQ(error_, "");
  EXPECT_EQ(world().foregroundWindow, excel_double::MainWindow());
  ExpectAllReleased();
}

// Excel turns busy as it is asked to open the loader add-in: the Invoke of
// Open is rejected, not its lookup, and made again.
TEST_F(ExcelLaunchTest, ExcelBusyOpeningTheAddinIsWaitedFor) {
  Launch("busy.after=5\nbusy.calls=3");
  EXPECT_EQ(Rejections(),
            std::vector<std::string>(3, "invoke Workbooks.Open"));
  EXPECT_EQ(world().pauses, (std::vector<std::uint32_t>{100, 200, 400}));
  EXPECT_EQ(Calls(), Joined(kStartCalls, kShowAndOpenCalls));
  EXPECT_EQ(error_, "");
  ExpectAllReleased();
}

TEST_F(ExcelLaunchTest, ExcelBusyForItsFirstSecondsIsWaitedFor) {
  Launch("busy.ms=2000");
  // Rejected until the pauses (100, 200, 400, 800, then 1 s) pass 2 s.
  EXPECT_EQ(world().pauses,
            (std::vector<std::uint32_t>{100, 200, 400, 800, 1000}));
  EXPECT_EQ(Rejections().size(), 5u);
  EXPECT_EQ(Calls(), Joined(kStartCalls, kShowAndOpenCalls));
  EXPECT_EQ(error_, "");
  ExpectAllReleased();
}

TEST_F(ExcelLaunchTest, ExcelBusyBeyondTheBoundIsReportedWithTheCode) {
  error_ = "an earlier message";
  Launch("busy.ms=70000");
  EXPECT_EQ(error_, "Sheltra was unable to launch Excel application. "
                    "Error code: 0x8001010A");
  EXPECT_EQ(Waited(), 60000u);
  EXPECT_EQ(Rejections().size(), world().pauses.size() + 1);
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(world().foregroundWindow, 0u);
  ExpectAllReleased();
}

TEST_F(ExcelLaunchTest, CreationIsTriedAgainWhileOfficeFinishesAnUpdate) {
  // CoCreateInstance fails three times with CO_E_SERVER_EXEC_FAILURE.
  world().faults.FailCall("CoCreateInstance", 1, CO_E_SERVER_EXEC_FAILURE);
  world().whilePausing = [this] {
    if (world().pauses.size() < 3) {
      world().faults.FailCall("CoCreateInstance", 1, CO_E_SERVER_EXEC_FAILURE);
    }
  };
  Launch();
  EXPECT_EQ(world().pauses, (std::vector<std::uint32_t>{1000, 2000, 4000}));
  EXPECT_EQ(Calls(), Joined(kStartCalls, kShowAndOpenCalls));
  EXPECT_EQ(error_, "");
  ExpectAllReleased();
}

TEST_F(ExcelLaunchTest, CreationThatKeepsFailingIsReportedAfter30Seconds) {
  Launch("create=80080005");
  EXPECT_EQ(error_, "Sheltra was unable to launch Excel application. "
                    "Error code: 0x80080005");
  EXPECT_EQ(world().pauses,
            (std::vector<std::uint32_t>{1000, 2000, 4000, 8000, 8000, 7000}));
  EXPECT_EQ(Refusals(), std::vector<std::string>(
                           7, "create-refused\thr=0x80080005"));
}

TEST_F(ExcelLaunchTest, OtherCreationFailuresAreNotTriedAgain) {
  Launch("create=80070005");
  EXPECT_EQ(Refusals().size(), 1u);
  world().progIds.clear();
  LaunchExcel(kExe, kWorkbook, kRuntime, error_);
  EXPECT_EQ(error_, messages::ExcelMissing());
  EXPECT_TRUE(world().pauses.empty());
}

}  // namespace
