#include "automation/automation_string.h"

#include "automation/automation_value.h"
#include "automation/com_error.h"
#include "automation/text_conversion.h"

namespace automation {

namespace {

BSTR CopyWide(const OLECHAR* wide) {
  if (wide == nullptr) return nullptr;
  BSTR copy = SysAllocString(wide);
  if (copy == nullptr) RaiseComError(E_OUTOFMEMORY);
  return copy;
}

BSTR CopyAsBstr(const AutomationValue& value) {
  if (value.Variant().vt == VT_BSTR) {
    return DuplicateBstr(value.Variant().bstrVal);
  }
  AutomationValue converted;
  converted.ChangeType(VT_BSTR, &value.Variant());
  return DuplicateBstr(converted.Variant().bstrVal);
}

}  // namespace

AutomationString::AutomationString(const char* narrow)
    : AutomationString(NarrowToBstr(narrow)) {}

AutomationString::AutomationString(const AutomationValue& value)
    : AutomationString(CopyAsBstr(value)) {}

AutomationString AutomationString::FromWide(const OLECHAR* wide) {
  return AutomationString(CopyWide(wide));
}

AutomationString& AutomationString::operator=(const OLECHAR* wide) {
  if (wide_.get() == wide) return *this;
  return *this = FromWide(wide);
}

const char* AutomationString::Narrow() {
  if (!narrow_) narrow_ = BstrToNarrow(wide_.get());
  return narrow_.get();
}

}  // namespace automation
