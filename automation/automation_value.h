#pragma once

// AutomationValue: owns exactly one VARIANT. It is laid out as that VARIANT
// alone, so a contiguous run of values is a VARIANT array that IDispatch
// can take as its arguments (see ArgumentList).
//
// Every failure raises _com_error: the HRESULT of a failing VariantCopy,
// VariantClear or VariantChangeType, or E_OUTOFMEMORY.

#include <cstdint>

#include "platform/com_types.h"

namespace automation {

class AutomationString;

class AutomationValue {
 public:
  // VT_EMPTY.
  AutomationValue() noexcept;
  // A copy of `source` (VariantCopy): its own string, its own reference.
  explicit AutomationValue(const VARIANT& source);
  // Clears the VARIANT; a failure to clear is not reported.
  ~AutomationValue();
  // Moving hands the VARIANT over and leaves `other` empty.
  AutomationValue(AutomationValue&& other) noexcept;
  AutomationValue& operator=(AutomationValue&& other) noexcept;
  AutomationValue(const AutomationValue&) = delete;
  AutomationValue& operator=(const AutomationValue&) = delete;

  // Replaces the content with a copy of `source` (VariantCopy).
  AutomationValue& operator=(const VARIANT& source);
  // Replaces the content with VT_BSTR holding exactly the bytes of the
  // string's BSTR (byte length and embedded zeros kept); an empty handle or
  // a null BSTR gives a null BSTR. When the old content cannot be cleared it
  // stays; when the copy cannot be made the value is left VT_EMPTY.
  AutomationValue& operator=(const AutomationString& text);

  // Converts `source` (by default this value itself) to `type` into this
  // value (VariantChangeType, flags 0). Nothing happens when this value is
  // the source and already has that type. The value is unchanged when the
  // conversion fails.
  void ChangeType(VARTYPE type, const VARIANT* source = nullptr);

  // The VT_I4 content, or this value converted to VT_I4 in a temporary; the
  // value itself never changes.
  std::int32_t ToInt32() const;

  // Clears the content (VariantClear): VT_EMPTY afterwards.
  void Clear();

  VARIANT& Variant() noexcept { return value_; }
  const VARIANT& Variant() const noexcept { return value_; }

 private:
  VARIANT value_{};
};

}  // namespace automation
