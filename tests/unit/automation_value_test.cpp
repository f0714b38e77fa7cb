#include "automation/automation_value.h"

#include <cstring>
#include <string>
#include <utility>

#include "automation/argument_list.h"
#include "automation/automation_string.h"
#include "automation/com_error.h"
#include "tests/support/fake_dispatch.h"
#include "tests/support/sim_test.h"

namespace {

using automation::_com_error;
using automation::ArgumentList;
using automation::AutomationString;
using automation::AutomationValue;

class AutomationValueTest : public SimTest {
 protected:
  // The HRESULT that `action` raises; S_OK when it raises nothing.
  template <typename Action>
  HRESULT RaisedBy(Action action) {
    try {
      action();
    } catch (const _com_error& error) {
      return error.Error();
    }
    return S_OK;
  }
};

TEST_F(AutomationValueTest, CopiesOwnTheirStringAndTheirReference) {
  FakeDispatch object;
  {
    const AutomationValue text = TextValue(u"Book1");
    AutomationValue copy(text.Variant());
    EXPECT_NE(copy.Variant().bstrVal, text.Variant().bstrVal);
    EXPECT_EQ(WideText(copy.Variant().bstrVal), u"Book1");

    // Assigning an object frees the string it replaces.
    const AutomationValue held = ObjectValue(&object);
    copy = held.Variant();
    EXPECT_EQ(object.References(), 2u);

    AutomationValue moved = std::move(copy);
    EXPECT_EQ(copy.Variant().vt, VT_EMPTY);
    EXPECT_EQ(object.References(), 2u);
    moved.Clear();
    EXPECT_EQ(moved.Variant().vt, VT_EMPTY);
    EXPECT_EQ(object.References(), 1u);
  }
  EXPECT_EQ(object.References(), 0u);
}

TEST_F(AutomationValueTest, FailedCopyRaisesItsHresult) {
  const AutomationValue source = TextValue(u"x");
  world().faults.FailCall("VariantCopy", 1, DISP_E_OVERFLOW);
  EXPECT_EQ(RaisedBy([&] { AutomationValue copy(source.Variant()); }),
            DISP_E_OVERFLOW);
  AutomationValue target = LongValue(7);
  world().faults.FailCall("VariantCopy", 1, E_OUTOFMEMORY);
  EXPECT_EQ(RaisedBy([&] { target = source.Variant(); }), E_OUTOFMEMORY);
}

TEST_F(AutomationValueTest, StringAssignmentKeepsEveryByte) {
  AutomationValue raw = TextValue(nullptr);
  raw.Variant().bstrVal = SysAllocStringByteLen("a\0b\0c", 5);
  const AutomationString text(raw);

  AutomationValue value = TextValue(u"replaced");
  value = text;
  ASSERT_EQ(value.Variant().vt, VT_BSTR);
  EXPECT_NE(value.Variant().bstrVal, text.Wide());
  ASSERT_EQ(SysStringByteLen(value.Variant().bstrVal), 5u);
  EXPECT_EQ(std::memcmp(value.Variant().bstrVal, "a\0b\0c", 5), 0);

  value = AutomationString();
  EXPECT_EQ(value.Variant().vt, VT_BSTR);
  EXPECT_EQ(value.Variant().bstrVal, nullptr);

  world().faults.FailCall("SysAllocStringByteLen", 1);
  EXPECT_EQ(RaisedBy([&] { value = text; }), E_OUTOFMEMORY);
  EXPECT_EQ(value.Variant().vt, VT_EMPTY);
}

TEST_F(AutomationValueTest, ChangeTypeConvertsOnlyWhenNeeded) {
  AutomationValue value = TextValue(u"12");
  // Already of that type: VariantChangeType is not called at all.
  world().faults.FailCall("VariantChangeType", 1, E_FAIL);
  value.ChangeType(VT_BSTR);
  EXPECT_EQ(RaisedBy([&] { value.ChangeType(VT_I4); }), E_FAIL);
  EXPECT_EQ(WideText(value.Variant().bstrVal), u"12");

  value.ChangeType(VT_I4);
  EXPECT_EQ(value.Variant().vt, VT_I4);
  EXPECT_EQ(value.Variant().lVal, 12);

  const AutomationValue source = DoubleValue(2.5);
  value.ChangeType(VT_BSTR, &source.Variant());
  EXPECT_EQ(WideText(value.Variant().bstrVal), u"2.5");
  EXPECT_EQ(source.Variant().vt, VT_R8);
}

TEST_F(AutomationValueTest, ReadsAsInt32WithoutChangingItself) {
  EXPECT_EQ(LongValue(-5).ToInt32(), -5);
  const AutomationValue text = TextValue(u"17");
  EXPECT_EQ(text.ToInt32(), 17);
  EXPECT_EQ(text.Variant().vt, VT_BSTR);
  EXPECT_EQ(BoolValue(true).ToInt32(), -1);
  EXPECT_EQ(RaisedBy([] { TextValue(u"seventeen").ToInt32(); }),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(RaisedBy([] { DoubleValue(3e9).ToInt32(); }), DISP_E_OVERFLOW);
}

TEST_F(AutomationValueTest, ArgumentListIsOneVariantArray) {
  ArgumentList arguments(0);
  EXPECT_EQ(arguments.Data(), nullptr);
  arguments.Resize(2);
  arguments[0] = AutomationString("second");
  arguments[1] = AutomationString("first");
  arguments.Resize(3);
  ASSERT_EQ(arguments.Size(), 3u);
  const VARIANT* array = arguments.Data();
  EXPECT_EQ(WideText(array[0].bstrVal), u"second");
  EXPECT_EQ(WideText(array[1].bstrVal), u"first");
  EXPECT_EQ(array[2].vt, VT_EMPTY);
}

}  // namespace
