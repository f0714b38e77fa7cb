#pragma once

// AutomationString: the sole owner of one automation string (BSTR) and of
// its narrow text in the ANSI code page, converted on the first request and
// kept. It moves but does not copy. An empty one (default-made, moved from,
// or made from null) holds no BSTR.
//
// Failures raise _com_error (see text_conversion.h for the conversions):
// E_OUTOFMEMORY when a copy cannot be made.

#include <memory>

#include "platform/com_types.h"

namespace automation {

class AutomationValue;

class AutomationString {
 public:
  AutomationString() noexcept = default;
  // The wide text is NarrowToBstr(narrow); null gives an empty one.
  explicit AutomationString(const char* narrow);
  // A copy of `value`'s BSTR; a value of another type is first converted to
  // VT_BSTR in a temporary (which may raise), whose BSTR is copied. `value`
  // itself is not changed.
  explicit AutomationString(const AutomationValue& value);
  // A copy of `wide` up to its first zero (SysAllocString); null gives an
  // empty one.
  static AutomationString FromWide(const OLECHAR* wide);

  AutomationString(AutomationString&& other) noexcept = default;
  AutomationString& operator=(AutomationString&& other) noexcept = default;
  AutomationString(const AutomationString&) = delete;
  AutomationString& operator=(const AutomationString&) = delete;
  ~AutomationString() = default;

  // Nothing when `wide` is the very BSTR held; otherwise a copy as FromWide
  // makes it replaces the text held (kept when that raises).
  AutomationString& operator=(const OLECHAR* wide);

  // The BSTR held, still owned here; null when empty.
  BSTR Wide() const noexcept { return wide_.get(); }
  // The narrow text, converted on the first request and kept for later
  // ones; null when empty.
  const char* Narrow();

 private:
  struct FreeBstr {
    void operator()(BSTR text) const noexcept { SysFreeString(text); }
  };
  // Takes ownership of `wide`.
  explicit AutomationString(BSTR wide) noexcept : wide_(wide) {}

  std::unique_ptr<OLECHAR, FreeBstr> wide_;
  std::unique_ptr<char[]> narrow_;
};

}  // namespace automation
