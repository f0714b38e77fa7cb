#include "automation/dispatch_object.h"

#include <functional>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "automation/automation_string.h"
#include "automation/automation_value.h"
#include "tests/support/fake_dispatch.h"
#include "tests/support/sim_test.h"

namespace {

using automation::ArgumentList;
using automation::AutomationString;
using automation::AutomationValue;
using automation::DispatchObject;

class DispatchObjectTest : public SimTest {
 protected:
  DispatchObjectTest() { holder.Take(&server); }

  // The one Invoke the server saw.
  const FakeDispatch::Invocation& OnlyInvocation() {
    EXPECT_EQ(server.Invocations().size(), 1u);
    return server.Invocations().back();
  }

  // Destroyed in reverse: the holder lets go of `server`, then `server`
  // drops its scripted results, some of which hold `other`, before each
  // checks that no reference is left.
  FakeDispatch other;
  FakeDispatch server;
  DispatchObject holder;
};

TEST_F(DispatchObjectTest, EmptyHolderCallsNothing) {
  server.AddMember(u"Visible");
  DispatchObject empty;
  AutomationValue result;
  std::int32_t number = 7;
  std::string text = "kept";
  DispatchObject object;
  ArgumentList arguments(1);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_FALSE(empty.GetPropertyById(1, &result.Variant()));
  EXPECT_FALSE(empty.GetProperty(u"Visible", &result.Variant()));
  EXPECT_FALSE(empty.GetLongProperty(u"Visible", number));
  EXPECT_FALSE(empty.GetObjectProperty(u"Visible", object));
  EXPECT_FALSE(empty.GetTextProperty(u"Visible", text));
  EXPECT_FALSE(empty.PutProperty(u"Visible", result.Variant()));
  EXPECT_FALSE(empty.PutBoolProperty(u"Visible", true));
  EXPECT_FALSE(empty.CallMethod(u"Visible", none, &result.Variant()));
  EXPECT_FALSE(empty.CallMethodNoArgs(u"Visible"));
  EXPECT_FALSE(
      empty.CallMethodWithArgs(u"Visible", arguments, &result.Variant()));
  EXPECT_FALSE(empty.CallMethodForObject(u"Visible", arguments, object));
  EXPECT_EQ(number, 7);
  EXPECT_EQ(text, "kept");
  EXPECT_TRUE(object.IsEmpty());
  EXPECT_TRUE(server.Lookups().empty());
  EXPECT_TRUE(server.Invocations().empty());
}

TEST_F(DispatchObjectTest, UnknownNameIsLookedUpOnceAndNeverInvoked) {
  AutomationValue result;
  EXPECT_FALSE(holder.GetProperty(u"Missing", &result.Variant()));
  EXPECT_FALSE(holder.PutBoolProperty(u"Missing", true));
  EXPECT_FALSE(holder.CallMethodNoArgs(u"Missing"));
  ASSERT_EQ(server.Lookups().size(), 3u);
  for (const FakeDispatch::NameLookup& lookup : server.Lookups()) {
    EXPECT_TRUE(lookup.iid == IID_NULL);
    EXPECT_EQ(lookup.names, std::vector<std::u16string>{u"Missing"});
    EXPECT_EQ(lookup.locale, LOCALE_USER_DEFAULT);
  }
  EXPECT_TRUE(server.Invocations().empty());
}

TEST_F(DispatchObjectTest, PropertyGetPassesItsArgumentsOrNone) {
  const DISPID version = server.AddMember(u"Version");
  server.SetResult(version, TextValue(u"12.0").Variant());
  AutomationValue result;
  ASSERT_TRUE(holder.GetProperty(u"Version", &result.Variant()));
  EXPECT_EQ(WideText(result.Variant().bstrVal), u"12.0");
  const FakeDispatch::Invocation& call = OnlyInvocation();
  EXPECT_EQ(call.id, version);
  EXPECT_TRUE(call.iid == IID_NULL);
  EXPECT_EQ(call.locale, LOCALE_USER_DEFAULT);
  EXPECT_EQ(call.flags, DISPATCH_PROPERTYGET);
  EXPECT_TRUE(call.arguments.empty());
  EXPECT_TRUE(call.namedArguments.empty());
  EXPECT_TRUE(call.gotExceptionInfo);
  EXPECT_FALSE(call.gotArgumentErrorSlot);

  AutomationValue index = LongValue(2);
  DISPPARAMS params{&index.Variant(), nullptr, 1, 0};
  ASSERT_TRUE(holder.GetPropertyById(version, &result.Variant(), &params));
  ASSERT_EQ(server.Invocations().back().arguments.size(), 1u);
  EXPECT_EQ(server.Invocations().back().arguments[0].Variant().lVal, 2);
}

TEST_F(DispatchObjectTest, AnyNonNegativeResultIsSuccess) {
  server.AddMember(u"Quiet", S_FALSE);
  server.AddMember(u"Throws", DISP_E_EXCEPTION);
  AutomationValue result;
  EXPECT_TRUE(holder.GetProperty(u"Quiet", &result.Variant()));
  EXPECT_TRUE(holder.CallMethodNoArgs(u"Quiet"));
  EXPECT_TRUE(holder.PutBoolProperty(u"Quiet", false));
  // The server's exception strings are freed unread (the leak checker
  // sees them otherwise).
  EXPECT_FALSE(holder.GetProperty(u"Throws", &result.Variant()));
  EXPECT_FALSE(holder.CallMethodNoArgs(u"Throws"));
  EXPECT_FALSE(holder.PutBoolProperty(u"Throws", false));
}

TEST_F(DispatchObjectTest, PropertyPutCarriesOneNamedArgument) {
  server.AddMember(u"Visible");
  server.AddMember(u"Caption");
  ASSERT_TRUE(holder.PutBoolProperty(u"Visible", true));
  ASSERT_TRUE(holder.PutBoolProperty(u"Visible", false));
  ASSERT_TRUE(holder.PutProperty(u"Caption", TextValue(u"Budget").Variant()));
  ASSERT_EQ(server.Invocations().size(), 3u);
  for (const FakeDispatch::Invocation& call : server.Invocations()) {
    EXPECT_EQ(call.flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(call.locale, LOCALE_USER_DEFAULT);
    EXPECT_TRUE(call.iid == IID_NULL);
    EXPECT_EQ(call.namedArguments, std::vector<DISPID>{DISPID_PROPERTYPUT});
    EXPECT_EQ(call.arguments.size(), 1u);
  }
  const auto& calls = server.Invocations();
  EXPECT_EQ(calls[0].arguments[0].Variant().vt, VT_BOOL);
  EXPECT_EQ(calls[0].arguments[0].Variant().boolVal, VARIANT_TRUE);
  EXPECT_EQ(calls[1].arguments[0].Variant().boolVal, VARIANT_FALSE);
  EXPECT_EQ(WideText(calls[2].arguments[0].Variant().bstrVal), u"Budget");
}

TEST_F(DispatchObjectTest, MethodArgumentsTravelLastFirst) {
  const DISPID run = server.AddMember(u"Run");
  server.SetResult(run, LongValue(1).Variant());
  ArgumentList arguments(2);
  arguments[1] = AutomationString("Setup");       // first argument
  arguments[0] = AutomationString("C:\\rt.dll");  // second argument
  AutomationValue result;
  ASSERT_TRUE(holder.CallMethodWithArgs(u"Run", arguments, &result.Variant()));
  EXPECT_EQ(result.Variant().lVal, 1);
  const FakeDispatch::Invocation& call = OnlyInvocation();
  EXPECT_EQ(call.flags, DISPATCH_METHOD);
  EXPECT_TRUE(call.iid == IID_NULL);
  EXPECT_EQ(call.locale, LOCALE_USER_DEFAULT);
  EXPECT_TRUE(call.namedArguments.empty());
  EXPECT_TRUE(call.gotExceptionInfo);
  EXPECT_TRUE(call.gotArgumentErrorSlot);
  ASSERT_EQ(call.arguments.size(), 2u);
  EXPECT_EQ(WideText(call.arguments[0].Variant().bstrVal), u"C:\\rt.dll");
  EXPECT_EQ(WideText(call.arguments[1].Variant().bstrVal), u"Setup");

  ASSERT_TRUE(holder.CallMethodNoArgs(u"Run"));
  EXPECT_TRUE(server.Invocations().back().arguments.empty());
  EXPECT_TRUE(server.Invocations().back().gotResultSlot);
}

TEST_F(DispatchObjectTest, LongPropertyIsConvertedOrLeftUnwritten) {
  server.SetResult(server.AddMember(u"Hwnd"), LongValue(0x1234).Variant());
  server.SetResult(server.AddMember(u"Build"), TextValue(u"6425").Variant());
  server.SetResult(server.AddMember(u"Name"), TextValue(u"Excel").Variant());
  server.AddMember(u"Broken", E_FAIL);
  std::int32_t value = 0;
  ASSERT_TRUE(holder.GetLongProperty(u"Hwnd", value));
  EXPECT_EQ(value, 0x1234);
  ASSERT_TRUE(holder.GetLongProperty(u"Build", value));
  EXPECT_EQ(value, 6425);
  EXPECT_FALSE(holder.GetLongProperty(u"Name", value));
  EXPECT_FALSE(holder.GetLongProperty(u"Broken", value));
  EXPECT_EQ(value, 6425);
}

TEST_F(DispatchObjectTest, TextPropertyFollowsTheResultType) {
  const AutomationValue array = [] {
    AutomationValue value;
    value.Variant().vt = VT_ARRAY | VT_VARIANT;
    value.Variant().byref = nullptr;
    return value;
  }();
  const struct {
    AutomationValue result;
    const char* text;
  } rows[] = {
      {ErrorValue(DISP_E_MEMBERNOTFOUND), "#ERROR!"},
      {AutomationValue([] {
         VARIANT null;
         null.vt = VT_NULL;
         return null;
       }()),
       ""},
      {AutomationValue(array.Variant()), ""},
      {TextValue(nullptr), "before"},
      {LongValue(0), "before"},
      {BoolValue(false), "before"},
      {LongValue(42), "42"},
      {DoubleValue(0.1), "0.1"},
      // Only the first 32-bit word is looked at, and 1.25 has a zero one.
      {DoubleValue(1.25), "before"},
      {TextValue(u"Caf\u00E9"), "Caf\xE9"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const std::u16string name =
        u"Row" + std::u16string(1, static_cast<char16_t>(u'a' + (&row - rows)));
    server.SetResult(server.AddMember(name), row.result.Variant());
    std::string text = "before";
    EXPECT_TRUE(holder.GetTextProperty(name.c_str(), text));
    EXPECT_EQ(text, row.text);
  }

  // A value that has no text (an IUnknown): false, text unchanged.
  AutomationValue unknown = ObjectValue(&other);
  unknown.Variant().vt = VT_UNKNOWN;
  server.SetResult(server.AddMember(u"Object"), unknown.Variant());
  std::string text = "before";
  EXPECT_FALSE(holder.GetTextProperty(u"Object", text));
  EXPECT_EQ(text, "before");
}

TEST_F(DispatchObjectTest, ObjectResultsAreTakenWithOneReference) {
  server.SetResult(server.AddMember(u"Workbooks"),
                   ObjectValue(&other).Variant());
  server.SetResult(server.AddMember(u"Count"), LongValue(3).Variant());
  server.SetResult(server.AddMember(u"Nothing"),
                   ObjectValue(nullptr).Variant());
  server.SetResult(server.AddMember(u"Open"), ObjectValue(&other).Variant());
  const ULONG scripted = other.References();  // the script's own copies

  DispatchObject workbooks;
  ASSERT_TRUE(holder.GetObjectProperty(u"Workbooks", workbooks));
  EXPECT_EQ(workbooks.Get(), &other);
  EXPECT_EQ(other.References(), scripted + 1);
  EXPECT_FALSE(holder.GetObjectProperty(u"Count", workbooks));
  EXPECT_FALSE(holder.GetObjectProperty(u"Nothing", workbooks));
  EXPECT_EQ(workbooks.Get(), &other);

  DispatchObject book;
  ArgumentList path(1);
  path[0] = AutomationString("C:\\Book.xls");
  ASSERT_TRUE(holder.CallMethodForObject(u"Open", path, book));
  EXPECT_EQ(other.References(), scripted + 2);
  ArgumentList none(0);
  EXPECT_FALSE(holder.CallMethodForObject(u"Count", none, book));
  EXPECT_EQ(book.Get(), &other);
}

TEST_F(DispatchObjectTest, TakingKeepsExactlyOneReference) {
  EXPECT_EQ(server.References(), 1u);
  holder.Take(&server);
  EXPECT_EQ(server.References(), 1u);
  EXPECT_FALSE(holder.TakeDispatch(LongValue(1).Variant()));
  EXPECT_EQ(holder.Get(), &server);

  EXPECT_TRUE(holder.TakeDispatch(ObjectValue(&other).Variant()));
  EXPECT_EQ(server.References(), 0u);
  EXPECT_EQ(other.References(), 1u);

  DispatchObject moved = std::move(holder);
  EXPECT_TRUE(holder.IsEmpty());
  EXPECT_EQ(moved.Get(), &other);
  moved.Release();
  EXPECT_TRUE(moved.IsEmpty());
  EXPECT_EQ(other.References(), 0u);
}

TEST_F(DispatchObjectTest, CreatesByProgIdWithTheHoldersOwnReference) {
  const CLSID clsid = {0x00024500, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  world().progIds[u"Excel.Application"] = clsid;
  IID requested{};
  world().comClasses.push_back({clsid, [&](REFIID iid, void** object) {
                                  requested = iid;
                                  return other.QueryInterface(iid, object);
                                }});

  EXPECT_EQ(holder.CreateInstanceByProgID(u"Excel.Missing", nullptr,
                                          CLSCTX_LOCAL_SERVER),
            CO_E_CLASSSTRING);
  EXPECT_EQ(holder.Get(), &server);

  DispatchObject excel;
  ASSERT_EQ(excel.CreateInstanceByProgID(u"Excel.Application", nullptr,
                                         CLSCTX_LOCAL_SERVER),
            S_OK);
  EXPECT_EQ(excel.Get(), &other);
  EXPECT_EQ(other.References(), 1u);
  EXPECT_TRUE(requested == IID_IDispatch);
  EXPECT_EQ(world().lastComClassContext, CLSCTX_LOCAL_SERVER);

  world().comClasses.clear();
  excel.Release();
  EXPECT_EQ(excel.CreateInstanceByProgID(u"Excel.Application", nullptr,
                                         CLSCTX_LOCAL_SERVER),
            REGDB_E_CLASSNOTREG);
  EXPECT_TRUE(excel.IsEmpty());
}

// --- a busy server -----------------------------------------------------------

std::uint32_t Sum(const std::vector<std::uint32_t>& pauses) {
  return std::accumulate(pauses.begin(), pauses.end(), std::uint32_t{0});
}

TEST_F(DispatchObjectTest, ServerThatIsNotBusyCostsNoPause) {
  server.SetResult(server.AddMember(u"Version"), TextValue(u"16.0").Variant());
  server.AddMember(u"Broken", E_FAIL);
  std::string text;
  EXPECT_TRUE(holder.GetTextProperty(u"Version", text));
  EXPECT_FALSE(holder.CallMethodNoArgs(u"Broken"));
  EXPECT_FALSE(holder.CallMethodNoArgs(u"Missing"));
  EXPECT_TRUE(world().pauses.empty());
  EXPECT_EQ(server.Lookups().size(), 3u);
  EXPECT_EQ(server.Invocations().size(), 2u);
}

TEST_F(DispatchObjectTest, BusyLookupIsMadeAgainAfterGrowingPauses) {
  const DISPID version = server.AddMember(u"Version");
  server.SetResult(version, TextValue(u"16.0").Variant());
  server.BeBusy(4, 0);
  std::string text;
  ASSERT_TRUE(holder.GetTextProperty(u"Version", text));
  EXPECT_EQ(text, "16.0");
  EXPECT_EQ(world().pauses, (std::vector<std::uint32_t>{100, 200, 400, 800}));
  ASSERT_EQ(server.Lookups().size(), 5u);
  for (const FakeDispatch::NameLookup& lookup : server.Lookups()) {
    EXPECT_EQ(lookup.names, std::vector<std::u16string>{u"Version"});
  }
  ASSERT_EQ(server.Invocations().size(), 1u);
  EXPECT_EQ(server.Invocations()[0].id, version);
}

TEST_F(DispatchObjectTest, BusyInvokeIsMadeAgainWithTheSameCallAlone) {
  const DISPID run = server.AddMember(u"Run");
  server.SetResult(run, LongValue(7).Variant());
  // RPC_E_CALL_REJECTED, as COM answers for a busy server when the caller
  // has no message filter.
  server.BeBusy(0, 3, RPC_E_CALL_REJECTED);
  ArgumentList arguments(2);
  arguments[1] = AutomationString("Setup");
  arguments[0] = AutomationString("C:\\rt.dll");
  AutomationValue result;
  ASSERT_TRUE(holder.CallMethodWithArgs(u"Run", arguments, &result.Variant()));
  EXPECT_EQ(result.Variant().lVal, 7);
  EXPECT_EQ(world().pauses, (std::vector<std::uint32_t>{100, 200, 400}));
  // The name was looked up once; only the rejected Invoke was repeated,
  // each time as it was first made.
  EXPECT_EQ(server.Lookups().size(), 1u);
  ASSERT_EQ(server.Invocations().size(), 4u);
  for (const FakeDispatch::Invocation& call : server.Invocations()) {
    EXPECT_EQ(call.id, run);
    EXPECT_EQ(call.flags, DISPATCH_METHOD);
    ASSERT_EQ(call.arguments.size(), 2u);
    EXPECT_EQ(WideText(call.arguments[0].Variant().bstrVal), u"C:\\rt.dll");
    EXPECT_EQ(WideText(call.arguments[1].Variant().bstrVal), u"Setup");
    EXPECT_TRUE(call.gotExceptionInfo);
  }
  EXPECT_EQ(holder.LastFailure(), S_OK);
}

TEST_F(DispatchObjectTest, EveryKindOfCallWaitsForABusyServer) {
  server.SetResult(server.AddMember(u"Workbooks"),
                   ObjectValue(&other).Variant());
  server.SetResult(server.AddMember(u"Hwnd"), LongValue(5).Variant());
  server.AddMember(u"Visible");
  server.AddMember(u"Activate");
  DispatchObject workbooks;
  std::int32_t hwnd = 0;
  const struct {
    const char* what;
    std::function<bool()> call;
  } calls[] = {
      {"object",
       [&] { return holder.GetObjectProperty(u"Workbooks", workbooks); }},
      {"long", [&] { return holder.GetLongProperty(u"Hwnd", hwnd); }},
      {"put", [&] { return holder.PutBoolProperty(u"Visible", true); }},
      {"method", [&] { return holder.CallMethodNoArgs(u"Activate"); }},
      {"by id", [&] {
         AutomationValue result;
         return holder.GetPropertyById(2, &result.Variant());
       }},
  };
  for (const auto& row : calls) {
    world().pauses.clear();
    server.BeBusy(0, 2);
    EXPECT_TRUE(row.call()) << row.what;
    EXPECT_EQ(world().pauses, (std::vector<std::uint32_t>{100, 200}))
        << row.what;
    if (std::string(row.what) == "by id") continue;  // no lookup
    world().pauses.clear();
    server.BeBusy(1, 0, RPC_E_CALL_REJECTED);
    EXPECT_TRUE(row.call()) << row.what;
    EXPECT_EQ(world().pauses, std::vector<std::uint32_t>{100}) << row.what;
  }
  EXPECT_EQ(workbooks.Get(), &other);
  EXPECT_EQ(hwnd, 5);
}

TEST_F(DispatchObjectTest, ServerBusyBeyondTheBoundFailsWithItsLastAnswer) {
  server.AddMember(u"Visible");
  server.BeBusy(0, 1000);
  EXPECT_FALSE(holder.PutBoolProperty(u"Visible", true));
  EXPECT_EQ(holder.LastFailure(), RPC_E_SERVERCALL_RETRYLATER);
  // 100, 200, 400, 800, then 1 s each, the last one cut at the 60 s bound.
  const std::vector<std::uint32_t>& pauses = world().pauses;
  ASSERT_EQ(pauses.size(), 63u);
  EXPECT_EQ(std::vector<std::uint32_t>(pauses.begin(), pauses.begin() + 5),
            (std::vector<std::uint32_t>{100, 200, 400, 800, 1000}));
  EXPECT_EQ(pauses[61], 1000u);
  EXPECT_EQ(pauses.back(), 500u);
  EXPECT_EQ(Sum(pauses), 60000u);
  EXPECT_EQ(server.Invocations().size(), pauses.size() + 1);

  // A lookup meets the same bound.
  world().pauses.clear();
  server.BeBusy(1000, 0, RPC_E_CALL_REJECTED);
  EXPECT_FALSE(holder.CallMethodNoArgs(u"Visible"));
  EXPECT_EQ(holder.LastFailure(), RPC_E_CALL_REJECTED);
  EXPECT_EQ(Sum(world().pauses), 60000u);
}

TEST_F(DispatchObjectTest, OtherFailuresAreNeverRepeated) {
  const HRESULT failures[] = {
      E_FAIL, DISP_E_EXCEPTION, DISP_E_MEMBERNOTFOUND,
      static_cast<HRESULT>(0x80010108),  // RPC_E_DISCONNECTED
      static_cast<HRESULT>(0x800706BA),  // RPC_S_SERVER_UNAVAILABLE
      static_cast<HRESULT>(0x80010105),  // RPC_E_SERVERFAULT
      CO_E_SERVER_EXEC_FAILURE};
  for (const HRESULT failure : failures) {
    FakeDispatch failing;
    failing.AddMember(u"Quit", failure);
    DispatchObject quitting;
    quitting.Take(&failing);
    EXPECT_FALSE(quitting.CallMethodNoArgs(u"Quit"));
    EXPECT_EQ(quitting.LastFailure(), failure);
    EXPECT_EQ(failing.Invocations().size(), 1u);
    // A lookup that fails otherwise is not repeated either.
    failing.BeBusy(1, 0, failure);
    EXPECT_FALSE(quitting.CallMethodNoArgs(u"Quit"));
    EXPECT_EQ(failing.Lookups().size(), 2u);
    quitting.Release();
  }
  EXPECT_TRUE(world().pauses.empty());
}

TEST_F(DispatchObjectTest, LastFailureTellsWhyAnOperationReturnedFalse) {
  EXPECT_EQ(holder.LastFailure(), S_OK);
  DispatchObject empty;
  EXPECT_FALSE(empty.CallMethodNoArgs(u"Anything"));
  EXPECT_EQ(empty.LastFailure(), E_POINTER);

  EXPECT_FALSE(holder.CallMethodNoArgs(u"Missing"));
  EXPECT_EQ(holder.LastFailure(), DISP_E_UNKNOWNNAME);
  server.AddMember(u"Throws", DISP_E_EXCEPTION);
  EXPECT_FALSE(holder.PutBoolProperty(u"Throws", true));
  EXPECT_EQ(holder.LastFailure(), DISP_E_EXCEPTION);

  // A call that succeeded with the wrong kind of answer.
  server.SetResult(server.AddMember(u"Count"), LongValue(3).Variant());
  server.SetResult(server.AddMember(u"Name"), TextValue(u"Excel").Variant());
  DispatchObject object;
  EXPECT_FALSE(holder.GetObjectProperty(u"Count", object));
  EXPECT_EQ(holder.LastFailure(), DISP_E_TYPEMISMATCH);
  ArgumentList none(0);
  EXPECT_FALSE(holder.CallMethodForObject(u"Count", none, object));
  EXPECT_EQ(holder.LastFailure(), DISP_E_TYPEMISMATCH);
  std::int32_t number = 0;
  EXPECT_FALSE(holder.GetLongProperty(u"Name", number));
  EXPECT_EQ(holder.LastFailure(), DISP_E_TYPEMISMATCH);

  // A success leaves the last failure as it was.
  EXPECT_TRUE(holder.GetLongProperty(u"Count", number));
  EXPECT_EQ(holder.LastFailure(), DISP_E_TYPEMISMATCH);
}

}  // namespace
