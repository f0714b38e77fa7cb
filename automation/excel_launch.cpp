#include "automation/excel_launch.h"

#include <cctype>
#include <charconv>
#include <cstdint>

#include "automation/argument_list.h"
#include "automation/automation_string.h"
#include "automation/automation_value.h"
#include "automation/busy_retry.h"
#include "automation/com_error.h"
#include "automation/dispatch_object.h"
#include "automation/excel_windows.h"
#include "automation/open_xml_path.h"
#include "common/messages.h"
#include "install/loader_addin.h"
#include "install/runtime_contract.h"
#include "platform/com_types.h"
#include "platform/windows_ui.h"

namespace {

using automation::ArgumentList;
using automation::AutomationString;
using automation::AutomationValue;
using automation::DispatchObject;

constexpr OLECHAR kExcelProgId[] = OLESTR("Excel.Application");
constexpr char kAutoOpenMacro[] = "Auto_Open";

// The leading decimal integer of Excel's Version text ("14.0" gives 14), read
// as "%ld" reads it: blanks skipped, an optional sign. 0 when the text does
// not begin with a number that fits, as for "#ERROR!".
std::int32_t ParseMajorVersion(const std::string& version) {
  const char* first = version.data();
  const char* last = first + version.size();
  while (first != last && std::isspace(static_cast<unsigned char>(*first))) {
    ++first;
  }
  if (first != last && *first == '+') {
    ++first;
    if (first != last && *first == '-') return 0;
  }
  std::int32_t major = 0;
  const auto [end, status] = std::from_chars(first, last, major);
  return status == std::errc{} ? major : 0;
}

std::int32_t ReadExcelVersion(DispatchObject& application) {
  std::string version;
  if (!application.GetTextProperty(OLESTR("Version"), version)) return 0;
  return ParseMajorVersion(version);
}

// Loads the loader add-in into Excel and runs its setup macro with the
// runtime path. False, with the message written, when the launch must stop.
bool SetUpRuntimeInExcel(DispatchObject& application,
                         DispatchObject& workbooks, ArgumentList& openArgs,
                         const std::string& exePath,
                         const std::string& runtimePath,
                         LauncherError& error) {
  const std::string addinPath =
      ExtractLoaderAddin(exePath, ReadExcelVersion(application));
  if (addinPath.empty()) {
    error = messages::kLoaderAddinNotExtracted;
    return false;
  }

  openArgs[0] = AutomationString(addinPath.c_str());
  DispatchObject addinWorkbook;
  if (!workbooks.CallMethodForObject(OLESTR("Open"), openArgs,
                                     addinWorkbook)) {
    error = messages::LoaderAddinNotOpened(addinPath);
    return false;
  }

  // Application.Run(macro, argument): the list holds the last argument first.
  ArgumentList runArgs(2);
  runArgs[1] = AutomationString(runtime_contract::kSetupMacro);
  runArgs[0] = AutomationString(runtimePath.c_str());
  AutomationValue runResult;
  if (!application.CallMethodWithArgs(OLESTR("Run"), runArgs,
                                      &runResult.Variant())) {
    error = messages::kSetupMacroFailed;
    return false;
  }
  return true;
}

platform::WindowHandle WindowFromHwndProperty(std::int32_t hwnd) {
  // Excel reports its handle as a signed 32-bit Long; a handle widens by
  // sign extension, as LongToHandle does.
  return static_cast<platform::WindowHandle>(static_cast<std::intptr_t>(hwnd));
}

// Excel's main window: the one it names, or else the first XLMAIN window
// that appeared since Excel was started; 0 when neither is known.
platform::WindowHandle FindExcelWindow(DispatchObject& application,
                                       const WindowHandleSet& windowsBefore) {
  std::int32_t hwnd = 0;
  if (application.GetLongProperty(OLESTR("HWND"), hwnd)) {
    return WindowFromHwndProperty(hwnd);
  }
  WindowHandleSet windowsAfter;
  CollectExcelMainWindows(windowsAfter);
  return FindNewExcelWindow(windowsBefore, windowsAfter);
}

void ShowExcel(DispatchObject& application,
               const WindowHandleSet& windowsBefore) {
  application.PutBoolProperty(OLESTR("Visible"), true);
  application.CallMethodNoArgs(OLESTR("Activate"));
  const platform::WindowHandle excelWindow =
      FindExcelWindow(application, windowsBefore);
  if (excelWindow != 0) platform::BringToForeground(excelWindow);
}

// A workbook that does not open is not reported: Excel shows its own
// message for it.
void OpenWorkbook(DispatchObject& application, DispatchObject& workbooks,
                  ArgumentList& openArgs, const std::string& workbookPath) {
  openArgs.Resize(1);
  openArgs[0] = AutomationString(workbookPath.c_str());
  DispatchObject workbook;
  if (!workbooks.CallMethodForObject(OLESTR("Open"), openArgs, workbook)) {
    return;
  }
  ArgumentList runArgs(1);
  runArgs[0] = AutomationString(kAutoOpenMacro);
  AutomationValue runResult;
  application.CallMethodWithArgs(OLESTR("Run"), runArgs, &runResult.Variant());
  application.PutBoolProperty(OLESTR("ScreenUpdating"), true);
}

std::string CreationFailureMessage(HRESULT result,
                                   const std::string& workbookPath) {
  if (result == CO_E_CLASSSTRING || result == REGDB_E_CLASSNOTREG) {
    return IsOpenXmlWorkbookPath(workbookPath) ? messages::ExcelTooOldForWorkbook()
                                               : messages::ExcelMissing();
  }
  return messages::ExcelLaunchFailed(static_cast<std::uint32_t>(result));
}

void RunLaunch(const std::string& exePath, const std::string& workbookPath,
               const std::string& runtimePath, LauncherError& error) {
  // Taken before Excel starts, so that only a window Excel opens afterwards
  // can be taken for this instance's.
  WindowHandleSet windowsBefore;
  CollectExcelMainWindows(windowsBefore);

  DispatchObject application;
  const HRESULT created = automation::RetryWhile(
      automation::kExcelStartRetry, automation::IsPassingStartFailure, [&] {
        return application.CreateInstanceByProgID(kExcelProgId, nullptr,
                                                  CLSCTX_LOCAL_SERVER);
      });
  if (FAILED(created)) {
    error = CreationFailureMessage(created, workbookPath);
    return;
  }

  // The first call of the new Excel. Should it fail (Excel busy beyond the
  // bound, or broken), the user hears of it as of a failure to start;
  // Excel, still hidden and never handed a workbook, is not asked to quit:
  // it is released as on every path (see LaunchExcel).
  DispatchObject workbooks;
  if (!application.GetObjectProperty(OLESTR("Workbooks"), workbooks)) {
    error = messages::ExcelLaunchFailed(
        static_cast<std::uint32_t>(application.LastFailure()));
    return;
  }

  ArgumentList openArgs(1);
  if (!runtimePath.empty() &&
      !SetUpRuntimeInExcel(application, workbooks, openArgs, exePath,
                           runtimePath, error)) {
    return;
  }
  ShowExcel(application, windowsBefore);
  OpenWorkbook(application, workbooks, openArgs, workbookPath);
}

}  // namespace

void LaunchExcel(const std::string& exePath, const std::string& workbookPath,
                 const std::string& runtimePath, LauncherError& error) {
  // Building an argument raises only when memory or the code-page
  // conversion fails. The holders of the launch have released everything by
  // the time the error arrives here; the user hears of it as of any other
  // failure to launch, and the run goes on to its splash wait and report.
  try {
    RunLaunch(exePath, workbookPath, runtimePath, error);
  } catch (const automation::_com_error& failure) {
    error = messages::ExcelLaunchFailed(
        static_cast<std::uint32_t>(failure.Error()));
  }
}
