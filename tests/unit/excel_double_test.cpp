// The Excel automation double, in process over the simulated Windows: the
// rules a careless automation client breaks, the settings a scenario tells
// it, and what the tests read back (journal, live objects, its window).
#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/doubles/excel_automation/dispatch_results.h"
#include "tests/doubles/excel_automation/excel_double_inproc.h"
#include "tests/support/sim_test.h"

namespace {

constexpr LCID kLcid = LOCALE_USER_DEFAULT;
constexpr HRESULT kExceptionRaised = DISP_E_EXCEPTION;

// One reference, released once.
class Ref {
 public:
  Ref() = default;
  explicit Ref(IDispatch* object) : object_(object) {}
  Ref(Ref&& other) noexcept : object_(other.object_) {
    other.object_ = nullptr;
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() { Reset(); }
  void Reset() {
    if (object_ != nullptr) object_->Release();
    object_ = nullptr;
  }
  IDispatch* get() const { return object_; }
  IDispatch* operator->() const { return object_; }

 private:
  IDispatch* object_ = nullptr;
};

// A VARIANT that owns what it holds.
struct Value {
  VARIANT v;
  Value() { VariantInit(&v); }
  Value(const Value&) = delete;
  Value& operator=(const Value&) = delete;
  ~Value() { VariantClear(&v); }
  std::u16string Text() const {
    return v.vt == VT_BSTR ? std::u16string(v.bstrVal, SysStringLen(v.bstrVal))
                           : u"<not text>";
  }
  // Hands the object over to a Ref of the test.
  Ref TakeObject() {
    if (v.vt != VT_DISPATCH) return Ref();
    v.vt = VT_EMPTY;
    return Ref(v.pdispVal);
  }
};

struct Argument {
  VARIANT v;
  static Argument Text(const char16_t* text) {
    Argument a;
    a.v.vt = VT_BSTR;
    a.v.bstrVal = SysAllocString(text);
    return a;
  }
  static Argument Long(LONG n) {
    Argument a;
    a.v.vt = VT_I4;
    a.v.lVal = n;
    return a;
  }
  static Argument Bool(bool b) {
    Argument a;
    a.v.vt = VT_BOOL;
    a.v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
    return a;
  }
};

// What one Invoke gave back.
struct Outcome {
  HRESULT hr = S_OK;
  UINT argumentError = 99;
  EXCEPINFO exception{};
};

class ExcelDoubleTest : public SimTest {
 protected:
  void TearDown() override {
    SimTest::TearDown();
    for (VARIANT& v : owned_) VariantClear(&v);
  }

  // Registers the double with `settings` and creates Excel as the launcher
  // does.
  Ref Start(std::string_view settings = {}) {
    excel_double::RegisterInSimWorld(settings);
    return Create();
  }
  Ref Create() {
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(OLESTR("Excel.Application"), &clsid), S_OK);
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER,
                               IID_IDispatch, &object),
              S_OK);
    return Ref(static_cast<IDispatch*>(object));
  }

  static DISPID Id(const Ref& object, const char16_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    object->GetIDsOfNames(IID_NULL, names, 1, kLcid, &id);
    return id;
  }

  // Invoke with the arguments in the order a caller writes them, and the
  // given named DISPIDs (which stand for the last arguments).
  Outcome Invoke(const Ref& object, DISPID id, WORD flags,
                 std::initializer_list<Argument> arguments,
                 std::vector<DISPID> named = {}, VARIANT* result = nullptr,
                 REFIID iid = IID_NULL, LCID lcid = kLcid) {
    std::vector<VARIANT> backwards;
    for (auto a = std::rbegin(arguments); a != std::rend(arguments); ++a) {
      backwards.push_back(a->v);
      owned_.push_back(a->v);
    }
    DISPPARAMS params{backwards.data(), named.data(),
                      static_cast<UINT>(backwards.size()),
                      static_cast<UINT>(named.size())};
    Outcome outcome;
    outcome.hr = object->Invoke(id, iid, lcid, flags, &params, result,
                                &outcome.exception, &outcome.argumentError);
    SysFreeString(outcome.exception.bstrSource);
    SysFreeString(outcome.exception.bstrDescription);
    return outcome;
  }
  HRESULT Get(const Ref& object, const char16_t* name, Value& result) {
    return Invoke(object, Id(object, name), DISPATCH_PROPERTYGET, {}, {},
                  &result.v)
        .hr;
  }
  HRESULT Put(const Ref& object, const char16_t* name, Argument value) {
    return Invoke(object, Id(object, name), DISPATCH_PROPERTYPUT, {value},
                  {DISPID_PROPERTYPUT})
        .hr;
  }
  HRESULT CallMethod(const Ref& object, const char16_t* name,
                     std::initializer_list<Argument> arguments,
                     Value* result = nullptr) {
    return Invoke(object, Id(object, name), DISPATCH_METHOD, arguments, {},
                  result != nullptr ? &result->v : nullptr)
        .hr;
  }
  Ref Workbooks(const Ref& application) {
    Value workbooks;
    EXPECT_EQ(Get(application, u"Workbooks", workbooks), S_OK);
    return workbooks.TakeObject();
  }

  static std::string LastEntry() {
    const auto lines = excel_double::JournalLines();
    return lines.empty() ? "" : lines.back();
  }

 private:
  // Argument values live until the end of the test: the journal and the
  // results are read after the calls.
  std::vector<VARIANT> owned_;
};

// --- names ----------------------------------------------------------------

TEST_F(ExcelDoubleTest, NamesAreFoundWithoutRegardToCaseAndJournalledAsAsked) {
  const Ref excel = Start();
  const DISPID workbooks = Id(excel, u"Workbooks");
  EXPECT_NE(workbooks, DISPID_UNKNOWN);
  EXPECT_EQ(Id(excel, u"wORKBOOKS"), workbooks);
  const DISPID hwnd = Id(excel, u"HWND");
  EXPECT_EQ(Id(excel, u"hwnd"), hwnd);
  EXPECT_EQ(LastEntry(), "names\tApplication\thwnd\tlcid=1024");
  EXPECT_EQ(excel_double::JournalLines().at(2),
            "names\tApplication\twORKBOOKS\tlcid=1024");
}

TEST_F(ExcelDoubleTest, UnknownNamesParameterNamesAndForeignInterfacesFail) {
  const Ref excel = Start();
  // Open belongs to Workbooks, not to the Application.
  EXPECT_EQ(Id(excel, u"Open"), DISPID_UNKNOWN);
  EXPECT_EQ(Id(excel, u"Workbook"), DISPID_UNKNOWN);

  // Further names are the call's parameter names, even one spelt like a
  // member.
  LPOLESTR names[] = {const_cast<LPOLESTR>(OLESTR("Run")),
                      const_cast<LPOLESTR>(OLESTR("Macro")),
                      const_cast<LPOLESTR>(OLESTR("Version"))};
  DISPID ids[3] = {0, 0, 0};
  EXPECT_EQ(excel->GetIDsOfNames(IID_NULL, names, 3, kLcid, ids),
            DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], Id(excel, u"Run"));
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
  EXPECT_EQ(ids[2], DISPID_UNKNOWN);
  EXPECT_EQ(excel_double::JournalLines().at(3),
            "names\tApplication\tRun,Macro,Version\tlcid=1024");

  EXPECT_EQ(excel->GetIDsOfNames(IID_IDispatch, names, 1, kLcid, ids),
            excel_double::kUnknownInterface);
}

// --- the shape of a call ----------------------------------------------------

TEST_F(ExcelDoubleTest, PutNeedsExactlyTheNamedPropertyPutArgument) {
  const Ref excel = Start();
  const DISPID visible = Id(excel, u"Visible");
  const auto put = [&](std::initializer_list<Argument> arguments,
                       std::vector<DISPID> named) {
    return Invoke(excel, visible, DISPATCH_PROPERTYPUT, arguments, named).hr;
  };
  EXPECT_EQ(put({Argument::Bool(true)}, {}), excel_double::kParameterNotFound);
  EXPECT_EQ(LastEntry(),
            "invoke\tApplication\tVisible\tflags=4\tlcid=1024\tiid=null"
            "\tnamed=\thr=0x80020004\tBOOL:-1");
  EXPECT_EQ(put({Argument::Bool(true)}, {0}), excel_double::kParameterNotFound);
  EXPECT_EQ(put({Argument::Bool(true), Argument::Bool(true)},
                {DISPID_PROPERTYPUT, 0}),
            excel_double::kParameterNotFound);
  EXPECT_EQ(
      put({Argument::Long(1), Argument::Bool(true)}, {DISPID_PROPERTYPUT}),
      DISP_E_BADPARAMCOUNT);
  // VARIANT_BOOL, as Excel wants it; a Long is refused by this strict Excel.
  EXPECT_EQ(put({Argument::Long(1)}, {DISPID_PROPERTYPUT}),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(put({Argument::Bool(true)}, {DISPID_PROPERTYPUT}), S_OK);
  EXPECT_EQ(LastEntry(),
            "invoke\tApplication\tVisible\tflags=4\tlcid=1024\tiid=null"
            "\tnamed=-3\thr=0x00000000\tBOOL:-1");
}

TEST_F(ExcelDoubleTest, FlagsMustFitTheKindOfMember) {
  const Ref excel = Start();
  const DISPID visible = Id(excel, u"Visible");
  const DISPID version = Id(excel, u"Version");
  const DISPID run = Id(excel, u"Run");
  Value result;
  EXPECT_EQ(Invoke(excel, visible, DISPATCH_PROPERTYGET, {}, {}, &result.v).hr,
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(excel, version, DISPATCH_METHOD, {}, {}, &result.v).hr,
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(excel, version, DISPATCH_PROPERTYPUT,
                   {Argument::Text(u"13.0")}, {DISPID_PROPERTYPUT})
                .hr,
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(
      Invoke(excel, run, DISPATCH_PROPERTYGET, {Argument::Text(u"Macro")}).hr,
      DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(excel, visible, DISPATCH_PROPERTYPUT | DISPATCH_METHOD,
                   {Argument::Bool(true)}, {DISPID_PROPERTYPUT})
                .hr,
            DISP_E_MEMBERNOTFOUND);
  // Both bits, as script clients pass them, are fine for a get or a method.
  EXPECT_EQ(Invoke(excel, version, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {},
                   {}, &result.v)
                .hr,
            S_OK);
  EXPECT_EQ(result.Text(), u"12.0");
  EXPECT_EQ(Invoke(excel, run, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                   {Argument::Text(u"Macro")})
                .hr,
            S_OK);
  EXPECT_EQ(Invoke(excel, 4711, DISPATCH_METHOD, {}).hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(LastEntry(),
            "invoke\tApplication\t#4711\tflags=1\tlcid=1024\tiid=null"
            "\tnamed=\thr=0x80020003");
}

TEST_F(ExcelDoubleTest, ArgumentCountsAndNamedArgumentsAreChecked) {
  const Ref excel = Start();
  const Ref workbooks = Workbooks(excel);
  EXPECT_EQ(CallMethod(excel, u"Run", {}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallMethod(excel, u"Activate", {Argument::Bool(true)}),
            DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallMethod(workbooks, u"Open", {}), DISP_E_BADPARAMCOUNT);
  Value result;
  EXPECT_EQ(Invoke(excel, Id(excel, u"Version"), DISPATCH_PROPERTYGET,
                   {Argument::Long(1)}, {}, &result.v)
                .hr,
            DISP_E_BADPARAMCOUNT);
  // Run: the macro name and at most 30 arguments.
  const auto run = [&](int count) {
    std::vector<VARIANT> arguments(count);
    for (VARIANT& a : arguments) a.vt = VT_EMPTY;
    arguments.back().vt = VT_BSTR;
    arguments.back().bstrVal = SysAllocString(OLESTR("Macro"));
    DISPPARAMS params{arguments.data(), nullptr, static_cast<UINT>(count), 0};
    const HRESULT hr =
        excel->Invoke(Id(excel, u"Run"), IID_NULL, kLcid, DISPATCH_METHOD,
                      &params, nullptr, nullptr, nullptr);
    SysFreeString(arguments.back().bstrVal);
    return hr;
  };
  EXPECT_EQ(run(31), S_OK);
  EXPECT_EQ(run(32), DISP_E_BADPARAMCOUNT);
  // This Excel takes no named arguments, as Open(Filename:=...).
  EXPECT_EQ(Invoke(workbooks, Id(workbooks, u"Open"), DISPATCH_METHOD,
                   {Argument::Text(u"C:\\b.xls")}, {0})
                .hr,
            excel_double::kNoNamedArguments);
}

TEST_F(ExcelDoubleTest, ArgumentTypesAreCheckedAndTheBadOneNamed) {
  const Ref excel = Start();
  const Ref workbooks = Workbooks(excel);
  Outcome open = Invoke(workbooks, Id(workbooks, u"Open"), DISPATCH_METHOD,
                        {Argument::Long(5)});
  EXPECT_EQ(open.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(open.argumentError, 0u);
  // The macro name comes first; in rgvarg it is the last of two.
  Outcome run = Invoke(excel, Id(excel, u"Run"), DISPATCH_METHOD,
                       {Argument::Long(5), Argument::Text(u"Macro")});
  EXPECT_EQ(run.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(run.argumentError, 1u);
}

TEST_F(ExcelDoubleTest, ReservedInterfaceIdAndParametersAreRequired) {
  const Ref excel = Start();
  Value result;
  EXPECT_EQ(Invoke(excel, Id(excel, u"Version"), DISPATCH_PROPERTYGET, {}, {},
                   &result.v, IID_IDispatch, 1033)
                .hr,
            excel_double::kUnknownInterface);
  EXPECT_EQ(LastEntry(),
            "invoke\tApplication\tVersion\tflags=2\tlcid=1033\tiid=other"
            "\tnamed=\thr=0x80020001");
  EXPECT_EQ(
      excel->Invoke(Id(excel, u"Version"), IID_NULL, kLcid,
                    DISPATCH_PROPERTYGET, nullptr, &result.v, nullptr, nullptr),
      E_INVALIDARG);
}

TEST_F(ExcelDoubleTest, InvokeEntryListsArgumentsInRgvargOrderWithTypes) {
  const Ref excel = Start();
  VARIANT number;
  number.vt = VT_R8;
  number.dblVal = 2.5;
  Argument real;
  real.v = number;
  Argument empty;
  empty.v.vt = VT_EMPTY;
  // A tab and a line feed would split the line; non-ASCII text is UTF-8.
  EXPECT_EQ(CallMethod(excel, u"Run",
                       {Argument::Text(u"Setup"), Argument::Long(-5),
                        Argument::Bool(false), empty, real,
                        Argument::Text(u"C:\\a\tb\n\u00e4")}),
            S_OK);
  EXPECT_EQ(LastEntry(),
            "invoke\tApplication\tRun\tflags=1\tlcid=1024\tiid=null\tnamed="
            "\thr=0x00000000\tBSTR:C:\\a\\x09b\\x0A\xC3\xA4\tVT5\tEMPTY"
            "\tBOOL:0\tI4:-5\tBSTR:Setup");
}

// --- settings
// -----------------------------------------------------------------

TEST_F(ExcelDoubleTest, VersionAnswersTheToldTextOrAnErrorValue) {
  const auto version = [&](std::string_view settings) {
    const Ref excel = Start(settings);
    Value result;
    EXPECT_EQ(Get(excel, u"Version", result), S_OK);
    return result.v.vt == VT_ERROR ? u"VT_ERROR" : result.Text();
  };
  EXPECT_EQ(version(""), u"12.0");
  EXPECT_EQ(version("Version=14.0"), u"14.0");
  EXPECT_EQ(version("version=11.0\r\n"), u"11.0");
  EXPECT_EQ(version("Version=#ERROR"), u"VT_ERROR");
  // Only the marker itself stands for the error value.
  EXPECT_EQ(version("Version=#ERROR!"), u"#ERROR!");
  // The settings are UTF-8; what cannot be decoded becomes U+FFFD.
  EXPECT_EQ(version("Version=\xC3\xA4\xF0\x9F\x98\x80"), u"\u00e4\U0001F600");
  EXPECT_EQ(version("Version=1\xC3"), u"1\uFFFD");
  EXPECT_EQ(version("Version=\xE2\x82x"), u"\uFFFD\uFFFDx");
}

TEST_F(ExcelDoubleTest, FailSettingRaisesAnExceptionForThatMemberOnly) {
  const Ref excel = Start("fail=hwnd\nfail=Activate");
  Value result;
  Outcome hwnd = Invoke(excel, Id(excel, u"HWND"), DISPATCH_PROPERTYGET, {}, {},
                        &result.v);
  EXPECT_EQ(hwnd.hr, kExceptionRaised);
  EXPECT_EQ(hwnd.exception.scode, excel_double::kExcelCallRefused);
  EXPECT_EQ(result.v.vt, VT_EMPTY);
  EXPECT_EQ(CallMethod(excel, u"Activate", {}), kExceptionRaised);
  // Even a failing member is checked for its shape first.
  EXPECT_EQ(CallMethod(excel, u"Activate", {Argument::Bool(true)}),
            DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Get(excel, u"Version", result), S_OK);
  EXPECT_EQ(Put(excel, u"ScreenUpdating", Argument::Bool(true)), S_OK);
}

TEST_F(ExcelDoubleTest, FailOpenAndFailRunMatchExactlyTheirFirstArgument) {
  const Ref excel = Start("fail.open=C:\\Data\\Book.xlsx\nfail.run=Setup");
  const Ref workbooks = Workbooks(excel);
  Value workbook;
  EXPECT_EQ(CallMethod(workbooks, u"Open",
                       {Argument::Text(u"C:\\Data\\Book.xlsx")}, &workbook),
            kExceptionRaised);
  EXPECT_EQ(workbook.v.vt, VT_EMPTY);
  EXPECT_EQ(CallMethod(workbooks, u"Open",
                       {Argument::Text(u"C:\\Data\\book.xlsx")}, &workbook),
            S_OK);
  const Ref opened = workbook.TakeObject();
  Value name;
  EXPECT_EQ(Get(opened, u"Name", name), S_OK);
  EXPECT_EQ(name.Text(), u"book.xlsx");
  Value fullName;
  EXPECT_EQ(Get(opened, u"FullName", fullName), S_OK);
  EXPECT_EQ(fullName.Text(), u"C:\\Data\\book.xlsx");

  // The macro name is the first argument, not what the macro is given.
  EXPECT_EQ(CallMethod(excel, u"Run",
                       {Argument::Text(u"Other"), Argument::Text(u"Setup")}),
            S_OK);
  EXPECT_EQ(CallMethod(excel, u"Run",
                       {Argument::Text(u"Setup"), Argument::Text(u"Other")}),
            kExceptionRaised);
}

TEST_F(ExcelDoubleTest, SettingsThatAreNotUnderstoodAreJournalledAndIgnored) {
  const Ref excel = Start(
      "colour=blue\nhwnd=12x\nwindow=maybe\n\nno equals sign\r\nhwnd=77\n");
  const auto lines = excel_double::JournalLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "setting-ignored\tcolour=blue");
  EXPECT_EQ(lines[1], "setting-ignored\thwnd=12x");
  EXPECT_EQ(lines[2], "setting-ignored\twindow=maybe");
  EXPECT_EQ(lines[3], "setting-ignored\tno equals sign");
  Value hwnd;
  EXPECT_EQ(Get(excel, u"HWND", hwnd), S_OK);
  EXPECT_EQ(hwnd.v.lVal, 77);
  EXPECT_NE(excel_double::MainWindow(), 0u);
}

TEST_F(ExcelDoubleTest, HwndAnswersTheToldNumberOrZeroWithoutWindow) {
  {
    const Ref excel = Start("hwnd=0");
    Value hwnd;
    EXPECT_EQ(Get(excel, u"HWND", hwnd), S_OK);
    EXPECT_EQ(hwnd.v.vt, VT_I4);
    EXPECT_EQ(hwnd.v.lVal, 0);
    EXPECT_NE(excel_double::MainWindow(), 0u);
  }
  const std::size_t windowsBefore = world().windows.size();
  const Ref excel = Start("window=none");
  EXPECT_EQ(excel_double::MainWindow(), 0u);
  EXPECT_EQ(world().windows.size(), windowsBefore);
  Value hwnd;
  EXPECT_EQ(Get(excel, u"HWND", hwnd), S_OK);
  EXPECT_EQ(hwnd.v.lVal, 0);
  const Ref workbooks = Workbooks(excel);
  EXPECT_EQ(CallMethod(workbooks, u"Open", {Argument::Text(u"C:\\b.xls")}),
            S_OK);
  EXPECT_EQ(excel_double::JournalLines().at(5), "foreground\tno");
}

TEST_F(ExcelDoubleTest, BusyForItsFirstCallsRejectsThemUnexecuted) {
  const Ref excel = Start("busy.calls=3");
  const std::size_t before = excel_double::JournalLines().size();
  // A rejected lookup writes no id.
  LPOLESTR names[] = {const_cast<LPOLESTR>(OLESTR("Workbooks"))};
  DISPID id = 4711;
  EXPECT_EQ(excel->GetIDsOfNames(IID_NULL, names, 1, kLcid, &id),
            RPC_E_SERVERCALL_RETRYLATER);
  EXPECT_EQ(id, 4711);
  // Neither does a rejected Invoke: no object made, no result given.
  Value workbooks;
  EXPECT_EQ(Invoke(excel, 1, DISPATCH_PROPERTYGET, {}, {}, &workbooks.v).hr,
            RPC_E_SERVERCALL_RETRYLATER);
  EXPECT_EQ(workbooks.v.vt, VT_EMPTY);
  EXPECT_EQ(Invoke(excel, 4711, DISPATCH_METHOD, {}).hr,
            RPC_E_SERVERCALL_RETRYLATER);
  EXPECT_EQ(excel_double::LiveObjects(), 1);
  // The fourth call is served.
  EXPECT_EQ(Get(excel, u"Version", workbooks), S_OK);
  EXPECT_EQ(workbooks.Text(), u"12.0");
  const auto lines = excel_double::JournalLines();
  ASSERT_EQ(lines.size(), before + 5);
  EXPECT_EQ(lines[before],
            "rejected\tnames\tApplication\tWorkbooks\thr=0x8001010A");
  EXPECT_EQ(lines[before + 1],
            "rejected\tinvoke\tApplication\tWorkbooks\thr=0x8001010A");
  EXPECT_EQ(lines[before + 2],
            "rejected\tinvoke\tApplication\t#4711\thr=0x8001010A");
  EXPECT_EQ(lines[before + 3], "names\tApplication\tVersion\tlcid=1024");
  EXPECT_TRUE(lines[before + 4].starts_with("invoke\tApplication\tVersion\t"))
      << lines[before + 4];
}

TEST_F(ExcelDoubleTest, BusyCallsAreCountedWhateverTheirKind) {
  const Ref excel = Start("busy.calls=2");
  // The first two calls are the lookup and the get of Workbooks.
  Value result;
  EXPECT_EQ(Get(excel, u"Workbooks", result), RPC_E_SERVERCALL_RETRYLATER);
  const Ref workbooks = Workbooks(excel);
  world().foregroundWindow = excel_double::MainWindow();
  EXPECT_EQ(CallMethod(workbooks, u"Open", {Argument::Text(u"C:\\b.xls")}),
            S_OK);
  const auto lines = excel_double::JournalLines();
  const auto rejected =
      std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.starts_with("rejected\t");
      });
  EXPECT_EQ(rejected, 2);
  // A rejected Open would not have journalled the foreground; this one did.
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "foreground\tyes"), 1);
}

TEST_F(ExcelDoubleTest, BusyAfterServedCallsRejectsTheNextOnes) {
  const Ref excel = Start("busy.after=2\nbusy.calls=2");
  // A lookup and a get are served, the next two calls rejected, the rest
  // served again.
  for (const HRESULT expected : {S_OK, RPC_E_SERVERCALL_RETRYLATER, S_OK}) {
    Value version;
    EXPECT_EQ(Get(excel, u"Version", version), expected);
    if (expected == S_OK) {
      EXPECT_EQ(version.Text(), u"12.0");
    }
  }
}

TEST_F(ExcelDoubleTest, BusyForItsFirstMillisecondsFollowsTheClock) {
  const Ref excel = Start("busy.ms=2000");
  Value version;
  EXPECT_EQ(Get(excel, u"Version", version), RPC_E_SERVERCALL_RETRYLATER);
  world().tickCount += 1999;
  EXPECT_EQ(Get(excel, u"Version", version), RPC_E_SERVERCALL_RETRYLATER);
  world().tickCount += 1;
  EXPECT_EQ(Get(excel, u"Version", version), S_OK);
  EXPECT_EQ(version.Text(), u"12.0");
}

TEST_F(ExcelDoubleTest, BusySettingsNeedAWholeNumber) {
  const Ref excel = Start("busy.calls=x\nbusy.ms=-5\nbusy.calls=\nBUSY.MS=0");
  const auto lines = excel_double::JournalLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "setting-ignored\tbusy.calls=x");
  EXPECT_EQ(lines[1], "setting-ignored\tbusy.ms=-5");
  EXPECT_EQ(lines[2], "setting-ignored\tbusy.calls=");
  Value version;
  EXPECT_EQ(Get(excel, u"Version", version), S_OK);
}

// --- the simulated Windows and the lifetime of objects ----------------------

TEST_F(ExcelDoubleTest, WindowIsMadeOnFirstCreationOnAnotherThread) {
  world().AddWindow(0x10, world().currentThreadId, "Launcher");
  excel_double::RegisterInSimWorld("");
  EXPECT_EQ(world().windows.size(), 1u);
  EXPECT_EQ(excel_double::MainWindow(), 0u);

  const Ref first = Create();
  const platform::WindowHandle window = excel_double::MainWindow();
  ASSERT_NE(window, 0u);
  const sim::SimWindow* made = world().FindWindow(window);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->className, "XLMAIN");
  EXPECT_NE(made->threadId, world().currentThreadId);
  EXPECT_EQ(excel_double::JournalLines().front(),
            "window\t" + std::to_string(window));

  const Ref second = Create();
  EXPECT_EQ(world().windows.size(), 2u);
  Value hwnd;
  EXPECT_EQ(Get(second, u"HWND", hwnd), S_OK);
  EXPECT_EQ(static_cast<platform::WindowHandle>(hwnd.v.lVal), window);
}

TEST_F(ExcelDoubleTest, ForegroundIsJournalledJustBeforeEveryOpen) {
  const Ref excel = Start();
  const Ref workbooks = Workbooks(excel);
  world().foregroundWindow = 0x10;
  EXPECT_EQ(CallMethod(workbooks, u"Open", {}), DISP_E_BADPARAMCOUNT);
  world().foregroundWindow = excel_double::MainWindow();
  EXPECT_EQ(CallMethod(workbooks, u"Open", {Argument::Text(u"C:\\b.xls")}),
            S_OK);
  const auto lines = excel_double::JournalLines();
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[3], "names\tWorkbooks\tOpen\tlcid=1024");
  EXPECT_EQ(lines[4], "foreground\tno");
  EXPECT_EQ(lines[5].substr(0, 22), "invoke\tWorkbooks\tOpen\t");
  EXPECT_EQ(lines[7], "foreground\tyes");
  EXPECT_EQ(lines[8].substr(0, 22), "invoke\tWorkbooks\tOpen\t");
}

TEST_F(ExcelDoubleTest, LiveObjectsCountEveryReferencedObjectUntilReleased) {
  Ref excel = Start();
  EXPECT_EQ(excel_double::LiveObjects(), 1);
  Ref workbooks = Workbooks(excel);
  Value workbook;
  EXPECT_EQ(
      CallMethod(workbooks, u"Open", {Argument::Text(u"C:\\b.xls")}, &workbook),
      S_OK);
  Ref opened = workbook.TakeObject();
  EXPECT_EQ(excel_double::LiveObjects(), 3);
  // A result nobody asked for is not left behind.
  EXPECT_EQ(CallMethod(workbooks, u"Open", {Argument::Text(u"C:\\c.xls")}),
            S_OK);
  EXPECT_EQ(excel_double::LiveObjects(), 3);

  void* unknown = &workbook;
  const IID other = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(excel->QueryInterface(other, &unknown), E_NOINTERFACE);
  EXPECT_EQ(unknown, nullptr);
  excel->AddRef();
  excel->Release();

  workbooks.Reset();
  opened.Reset();
  EXPECT_EQ(excel_double::LiveObjects(), 1);
  excel.Reset();
  EXPECT_EQ(excel_double::LiveObjects(), 0);
}

TEST_F(ExcelDoubleTest, RegisteringAgainStartsAfreshAndReplacesTheClass) {
  const Ref old = Start("Version=9.0");
  excel_double::RegisterInSimWorld("Version=14.0");
  EXPECT_TRUE(excel_double::JournalLines().empty());
  EXPECT_EQ(excel_double::LiveObjects(), 0);
  EXPECT_EQ(world().comClasses.size(), 1u);
  Value version;
  EXPECT_EQ(Get(Create(), u"Version", version), S_OK);
  EXPECT_EQ(version.Text(), u"14.0");
  // The object of the earlier registration keeps its own settings.
  Value oldVersion;
  EXPECT_EQ(Get(old, u"Version", oldVersion), S_OK);
  EXPECT_EQ(oldVersion.Text(), u"9.0");
}

}  // namespace
