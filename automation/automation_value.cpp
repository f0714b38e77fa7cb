#include "automation/automation_value.h"

#include <type_traits>

#include "automation/automation_string.h"
#include "automation/com_error.h"
#include "automation/text_conversion.h"

namespace automation {

static_assert(std::is_standard_layout_v<AutomationValue> &&
                  sizeof(AutomationValue) == sizeof(VARIANT),
              "an array of values must be an array of VARIANTs");

namespace {

void RaiseOnFailure(HRESULT result) {
  if (FAILED(result)) RaiseComError(result);
}

}  // namespace

AutomationValue::AutomationValue() noexcept { VariantInit(&value_); }

AutomationValue::AutomationValue(const VARIANT& source) : AutomationValue() {
  *this = source;
}

AutomationValue::~AutomationValue() { VariantClear(&value_); }

AutomationValue::AutomationValue(AutomationValue&& other) noexcept
    : value_(other.value_) {
  VariantInit(&other.value_);
}

AutomationValue& AutomationValue::operator=(AutomationValue&& other) noexcept {
  if (this != &other) {
    VariantClear(&value_);
    value_ = other.value_;
    VariantInit(&other.value_);
  }
  return *this;
}

AutomationValue& AutomationValue::operator=(const VARIANT& source) {
  // The Windows declaration takes a non-const source it never writes.
  RaiseOnFailure(VariantCopy(&value_, const_cast<VARIANT*>(&source)));
  return *this;
}

AutomationValue& AutomationValue::operator=(const AutomationString& text) {
  RaiseOnFailure(VariantClear(&value_));
  BSTR copy = DuplicateBstr(text.Wide());
  value_.vt = VT_BSTR;
  value_.bstrVal = copy;
  return *this;
}

void AutomationValue::ChangeType(VARTYPE type, const VARIANT* source) {
  if (source == nullptr) source = &value_;
  if (source == &value_ && value_.vt == type) return;
  RaiseOnFailure(
      VariantChangeType(&value_, const_cast<VARIANT*>(source), 0, type));
}

std::int32_t AutomationValue::ToInt32() const {
  if (value_.vt == VT_I4) return value_.lVal;
  AutomationValue converted;
  converted.ChangeType(VT_I4, &value_);
  return converted.value_.lVal;
}

void AutomationValue::Clear() { RaiseOnFailure(VariantClear(&value_)); }

}  // namespace automation
