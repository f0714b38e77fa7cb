#include <objbase.h>

#include "platform/com.h"

namespace platform {

void InitializeCom() { ::CoInitialize(nullptr); }

void UninitializeCom() { ::CoUninitialize(); }

}  // namespace platform
