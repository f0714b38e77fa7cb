#include "automation/text_conversion.h"

#include <new>
#include <string>

#include "automation/com_error.h"

namespace automation {

namespace {

// Texts converting to fewer wide characters than this use a scratch buffer
// on the stack; the launch's member names and paths all do.
constexpr int kStackScratchLimit = 4096;

[[noreturn]] void RaiseLastError() { RaiseComError(LastErrorAsHresult()); }

}  // namespace

BSTR NarrowToBstr(const char* text) {
  if (text == nullptr) return nullptr;
  // The terminating zero is converted too.
  const int length = lstrlenA(text) + 1;
  const int count = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
  if (count == 0) RaiseLastError();

  OLECHAR onStack[kStackScratchLimit];
  std::unique_ptr<OLECHAR[]> onHeap;
  OLECHAR* scratch = onStack;
  if (count >= kStackScratchLimit) {
    onHeap.reset(new (std::nothrow) OLECHAR[count]);
    if (!onHeap) RaiseComError(E_OUTOFMEMORY);
    scratch = onHeap.get();
  }
  if (MultiByteToWideChar(CP_ACP, 0, text, length, scratch, count) == 0) {
    RaiseLastError();
  }
  BSTR result = SysAllocString(scratch);
  if (result == nullptr) RaiseComError(E_OUTOFMEMORY);
  return result;
}

std::unique_ptr<char[]> BstrToNarrow(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  const int length =
      static_cast<int>(std::char_traits<OLECHAR>::length(text)) + 1;
  const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0,
                                       nullptr, nullptr);
  if (size == 0) RaiseLastError();
  std::unique_ptr<char[]> result(new (std::nothrow) char[size]);
  if (!result) RaiseComError(E_OUTOFMEMORY);
  if (WideCharToMultiByte(CP_ACP, 0, text, length, result.get(), size, nullptr,
                          nullptr) == 0) {
    RaiseLastError();
  }
  return result;
}

BSTR DuplicateBstr(BSTR text) {
  if (text == nullptr) return nullptr;
  BSTR copy = SysAllocStringByteLen(reinterpret_cast<const char*>(text),
                                    SysStringByteLen(text));
  if (copy == nullptr) RaiseComError(E_OUTOFMEMORY);
  return copy;
}

}  // namespace automation
