#pragma once

// AutomationString: a handle to a shared record holding one automation
// string (BSTR), its narrow text in the ANSI code page once asked for, and a
// reference count. Each record has exactly one handle here, so the handle
// moves but does not copy. An empty handle (default-made or moved from)
// holds no record.
//
// Failures raise _com_error (see text_conversion.h for the conversions):
// E_OUTOFMEMORY when the record or a copy cannot be made.

#include "platform/com_types.h"

namespace automation {

class AutomationValue;

class AutomationString {
 public:
  AutomationString() noexcept = default;
  // The wide text is NarrowToBstr(narrow); null gives a record with a null
  // BSTR.
  explicit AutomationString(const char* narrow);
  // A copy of `value`'s BSTR; a value of another type is first converted to
  // VT_BSTR in a temporary (which may raise), whose BSTR is copied. `value`
  // itself is not changed.
  explicit AutomationString(const AutomationValue& value);
  // A copy of `wide` up to its first zero (SysAllocString); null gives a
  // record with a null BSTR.
  static AutomationString FromWide(const OLECHAR* wide);

  AutomationString(AutomationString&& other) noexcept;
  AutomationString& operator=(AutomationString&& other) noexcept;
  AutomationString(const AutomationString&) = delete;
  AutomationString& operator=(const AutomationString&) = delete;
  ~AutomationString();

  // Nothing when `wide` is the very BSTR held; otherwise a new record as
  // FromWide makes it replaces the old one (kept when that raises).
  AutomationString& operator=(const OLECHAR* wide);

  // The BSTR held, still owned by the record; null for an empty handle.
  BSTR Wide() const noexcept;
  // The narrow text, converted on the first request and kept by the record
  // for later ones; null for an empty handle or a null BSTR.
  const char* Narrow();

 private:
  struct Record;
  explicit AutomationString(BSTR wide);
  void Drop() noexcept;

  Record* record_ = nullptr;
};

}  // namespace automation
