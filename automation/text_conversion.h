#pragma once

// Narrow text in the ANSI code page to and from automation strings (BSTR).
// Both directions raise _com_error: E_OUTOFMEMORY when memory runs out, the
// thread's last error as an HRESULT when the code-page conversion fails.

#include <memory>

#include "platform/com_types.h"

namespace automation {

// A new BSTR holding `text` up to its terminating zero; the caller frees it
// with SysFreeString. Null gives null without raising; "" gives a BSTR of
// length 0.
BSTR NarrowToBstr(const char* text);

// The text of `text` up to its first zero character, zero-terminated, in the
// ANSI code page. Null gives null without raising.
std::unique_ptr<char[]> BstrToNarrow(const OLECHAR* text);

// A new BSTR with exactly the bytes of `text` (its byte length and any
// embedded zero survive); the caller frees it. Null gives null without
// raising.
BSTR DuplicateBstr(BSTR text);

}  // namespace automation
