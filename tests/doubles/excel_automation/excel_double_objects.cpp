#include "tests/doubles/excel_automation/excel_double_objects.h"

#include <array>
#include <string>
#include <utility>

#include "tests/doubles/excel_automation/automation_object.h"
#include "tests/doubles/excel_automation/dispatch_results.h"
#include "tests/doubles/excel_automation/ole_text.h"

namespace excel_double {
namespace {

// Excel's Run takes the macro name and at most 30 arguments; Open takes the
// file name and at most 14 optional ones.
constexpr UINT kRunArgumentLimit = 31;
constexpr UINT kOpenArgumentLimit = 15;

class Workbook final : public AutomationObject {
 public:
  Workbook(std::shared_ptr<DoubleServer> server, std::string fullName)
      : AutomationObject(std::move(server), "Workbook", kMembers),
        fullName_(std::move(fullName)) {}

 private:
  enum : DISPID { kName = 1, kFullName };
  static constexpr std::array kMembers{PropertyGet(kName, "Name"),
                                       PropertyGet(kFullName, "FullName")};

  HRESULT Call(DISPID id, const Invocation& call) override {
    if (id == kFullName) {
      call.ReturnText(fullName_);
    } else {
      call.ReturnText(fullName_.substr(fullName_.find_last_of("\\/") + 1));
    }
    return S_OK;
  }

  const std::string fullName_;
};

class Workbooks final : public AutomationObject {
 public:
  explicit Workbooks(std::shared_ptr<DoubleServer> server)
      : AutomationObject(std::move(server), "Workbooks", kMembers) {}

 private:
  enum : DISPID { kOpen = 1 };
  static constexpr std::array kMembers{
      Member{kOpen, "Open", MemberKind::kMethod, 1, kOpenArgumentLimit,
             /*journalsForeground=*/true}};

  HRESULT Call(DISPID, const Invocation& call) override {
    if (const HRESULT type = call.ExpectType(0, VT_BSTR); FAILED(type)) {
      return type;
    }
    std::string fileName = Utf8FromBstr(call.Argument(0).bstrVal);
    if (server()->settings().OpenFails(fileName)) {
      return call.Raise("'" + fileName +
                        "' cannot be opened, as the settings say");
    }
    call.ReturnObject(new Workbook(server(), std::move(fileName)));
    return S_OK;
  }
};

class Application final : public AutomationObject {
 public:
  explicit Application(std::shared_ptr<DoubleServer> server)
      : AutomationObject(std::move(server), "Application", kMembers) {}

 private:
  enum : DISPID {
    kWorkbooks = 1,
    kVersion,
    kRun,
    kVisible,
    kActivate,
    kHwnd,
    kScreenUpdating
  };
  static constexpr std::array kMembers{
      PropertyGet(kWorkbooks, "Workbooks"),
      PropertyGet(kVersion, "Version"),
      Method(kRun, "Run", 1, kRunArgumentLimit),
      PropertyPut(kVisible, "Visible"),
      Method(kActivate, "Activate", 0, 0),
      PropertyGet(kHwnd, "HWND"),
      PropertyPut(kScreenUpdating, "ScreenUpdating")};

  HRESULT Call(DISPID id, const Invocation& call) override {
    const DoubleSettings& settings = server()->settings();
    switch (id) {
      case kWorkbooks:
        call.ReturnObject(new Workbooks(server()));
        return S_OK;
      case kVersion:
        if (settings.versionIsError) {
          call.ReturnError(kExcelValueError);
        } else {
          call.ReturnText(settings.version);
        }
        return S_OK;
      case kRun:
        return Run(call);
      case kVisible:
        if (const HRESULT type = call.ExpectType(0, VT_BOOL); FAILED(type)) {
          return type;
        }
        server()->ShowMainWindow(call.Argument(0).boolVal != VARIANT_FALSE);
        return S_OK;
      case kHwnd:
        // Excel's HWND is a Long: the handle's low 32 bits, all Windows uses.
        call.ReturnLong(settings.reportedWindow.value_or(static_cast<LONG>(
            static_cast<std::uint32_t>(server()->MainWindow()))));
        return S_OK;
      case kScreenUpdating:
        return call.ExpectType(0, VT_BOOL);
      default:  // kActivate
        return S_OK;
    }
  }

  HRESULT Run(const Invocation& call) {
    if (const HRESULT type = call.ExpectType(0, VT_BSTR); FAILED(type)) {
      return type;
    }
    const std::string macro = Utf8FromBstr(call.Argument(0).bstrVal);
    if (server()->settings().MacroFails(macro)) {
      return call.Raise("macro '" + macro + "' fails, as the settings say");
    }
    call.ReturnEmpty();
    return S_OK;
  }
};

}  // namespace

HRESULT CreateApplication(const std::shared_ptr<DoubleServer>& server,
                          REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (const auto failure = server->settings().creationFailure) {
    const auto result = static_cast<HRESULT>(*failure);
    server->CreationRefused(result);
    return result;
  }
  auto* application = new Application(server);
  const HRESULT result = application->QueryInterface(iid, object);
  application->Release();
  return result;
}

}  // namespace excel_double
