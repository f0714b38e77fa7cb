#include "automation/automation_string.h"

#include <string>
#include <utility>

#include "automation/automation_value.h"
#include "automation/com_error.h"
#include "tests/support/fake_dispatch.h"
#include "tests/support/sim_test.h"

namespace {

using automation::_com_error;
using automation::AutomationString;
using automation::AutomationValue;

class AutomationStringTest : public SimTest {};

TEST_F(AutomationStringTest, NarrowTextIsConvertedOnceAndKept) {
  AutomationString text("Caf\xE9");
  EXPECT_EQ(WideText(text.Wide()), u"Caf\u00E9");
  const char* narrow = text.Narrow();
  EXPECT_STREQ(narrow, "Caf\xE9");
  // A second conversion would fail now; the kept text is answered instead.
  world().faults.FailCall("WideCharToMultiByte", 1);
  EXPECT_EQ(text.Narrow(), narrow);
}

TEST_F(AutomationStringTest, NullTextAndEmptyHandlesHoldNothing) {
  AutomationString fromNull(static_cast<const char*>(nullptr));
  EXPECT_EQ(fromNull.Wide(), nullptr);
  EXPECT_EQ(fromNull.Narrow(), nullptr);
  AutomationString empty;
  EXPECT_EQ(empty.Wide(), nullptr);
  EXPECT_EQ(empty.Narrow(), nullptr);
  EXPECT_EQ(AutomationString::FromWide(nullptr).Wide(), nullptr);

  AutomationString moved = std::move(fromNull);
  EXPECT_EQ(fromNull.Wide(), nullptr);
}

TEST_F(AutomationStringTest, WideTextIsCopiedAndReplacedOnlyWhenNew) {
  const OLECHAR* original = u"Workbooks";
  AutomationString text = AutomationString::FromWide(original);
  ASSERT_NE(text.Wide(), original);
  EXPECT_EQ(WideText(text.Wide()), u"Workbooks");
  EXPECT_STREQ(text.Narrow(), "Workbooks");

  // Assigning the very BSTR held keeps it, and its narrow text.
  const BSTR held = text.Wide();
  const char* narrow = text.Narrow();
  text = held;
  EXPECT_EQ(text.Wide(), held);
  EXPECT_EQ(text.Narrow(), narrow);

  text = u"Open";
  EXPECT_EQ(WideText(text.Wide()), u"Open");
  EXPECT_STREQ(text.Narrow(), "Open");
}

TEST_F(AutomationStringTest, FailedCopyRaisesAndKeepsTheOldText) {
  AutomationString text = AutomationString::FromWide(u"kept");
  world().faults.FailCall("SysAllocString", 1);
  try {
    text = u"lost";
    FAIL() << "the failed copy was not raised";
  } catch (const _com_error& error) {
    EXPECT_EQ(error.Error(), E_OUTOFMEMORY);
  }
  EXPECT_EQ(WideText(text.Wide()), u"kept");
}

TEST_F(AutomationStringTest, ValuesAreCopiedOrConvertedToText) {
  AutomationValue withZero;
  withZero.Variant().vt = VT_BSTR;
  withZero.Variant().bstrVal = SysAllocStringLen(u"a\0b", 3);
  AutomationString copied(withZero);
  EXPECT_NE(copied.Wide(), withZero.Variant().bstrVal);
  EXPECT_EQ(WideText(copied.Wide()), std::u16string(u"a\0b", 3));

  const AutomationValue number = LongValue(-42);
  AutomationString converted(number);
  EXPECT_STREQ(converted.Narrow(), "-42");
  EXPECT_EQ(number.Variant().vt, VT_I4);

  try {
    AutomationString refused(ErrorValue(DISP_E_MEMBERNOTFOUND));
    FAIL() << "VT_ERROR was converted";
  } catch (const _com_error& error) {
    EXPECT_EQ(error.Error(), DISP_E_TYPEMISMATCH);
  }
}

}  // namespace
