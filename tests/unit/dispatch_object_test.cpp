#include "automation/dispatch_object.h"

#include <string>
#include <utility>

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

}  // namespace
