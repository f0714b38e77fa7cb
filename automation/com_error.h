#pragma once

// The one exception of the automation layer: the holders and the text
// conversions raise it when the platform reports a failure; the dispatch
// operations never let it out of a reading operation. Nothing formats it
// for the user.

#include "platform/com_types.h"

namespace automation {

class _com_error {
 public:
  // Carries `result` and, optionally, an error-information object: the
  // exception takes over the caller's reference unless `addReference` asks
  // for one of its own.
  explicit _com_error(HRESULT result, IErrorInfo* errorInfo = nullptr,
                      bool addReference = false) noexcept;
  _com_error(const _com_error& other) noexcept;
  _com_error& operator=(const _com_error& other) noexcept;
  ~_com_error();

  HRESULT Error() const noexcept { return result_; }
  // The error-information object or null; a non-null answer carries a new
  // reference that the caller releases.
  IErrorInfo* ErrorInfo() const noexcept;

 private:
  HRESULT result_;
  IErrorInfo* errorInfo_;
};

// Throws _com_error carrying `result` and no error-information object.
[[noreturn]] void RaiseComError(HRESULT result);

// A Win32 error code as an HRESULT: a code above 0 becomes
// 0x80070000 | (code & 0xFFFF); 0 and codes that already read as negative
// HRESULTs are kept unchanged.
HRESULT HresultFromWin32(DWORD code) noexcept;

// The calling thread's last error (GetLastError) as an HRESULT.
HRESULT LastErrorAsHresult() noexcept;

}  // namespace automation
