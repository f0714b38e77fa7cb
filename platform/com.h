#pragma once

// The COM apartment of the launcher's one thread. On Windows: CoInitialize
// and CoUninitialize.

namespace platform {

// Enters a single-threaded apartment; the result is not reported because the
// run goes on either way.
void InitializeCom();
void UninitializeCom();

}  // namespace platform
