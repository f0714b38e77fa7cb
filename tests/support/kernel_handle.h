#pragma once

// An owner for a Windows kernel handle (file, event, thread, process), for
// the doubles and tools that run under Wine. Windows only.

#include <windows.h>

#include "platform/unique_handle.h"

namespace test_support {

using KernelHandle = platform::UniqueHandle<platform::ClosedBy<HANDLE, ::CloseHandle>>;

// CreateFile reports failure as INVALID_HANDLE_VALUE, not as the empty
// handle: this takes its answer as held or empty.
inline KernelHandle OwnedFile(HANDLE file) noexcept {
  return KernelHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

}  // namespace test_support
