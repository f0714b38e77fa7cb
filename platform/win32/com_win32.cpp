#include <windows.h>
#include <objbase.h>

#include <new>

#include "platform/com.h"

namespace platform {

namespace {

// The interface ids the filter answers to, here rather than from libuuid
// (see interface_ids_win32.cpp).
constexpr IID kUnknownId = {0x00000000, 0x0000, 0x0000,
                            {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kMessageFilterId = {0x00000016, 0x0000, 0x0000,
                                  {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Asks COM to make a call again that a busy server rejected, and leaves
// everything else as COM does without a filter: the launcher serves no
// calls, and messages that arrive while a call waits are handled as usual.
class RetryingMessageFilter final : public IMessageFilter {
 public:
  explicit RetryingMessageFilter(const RetryPolicy& retry)
      : retry_(retry) {}
  virtual ~RetryingMessageFilter() = default;
  RetryingMessageFilter(const RetryingMessageFilter&) = delete;
  RetryingMessageFilter& operator=(const RetryingMessageFilter&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid,
                                           void** object) override {
    if (object == nullptr) return E_POINTER;
    if (!IsEqualIID(iid, kUnknownId) && !IsEqualIID(iid, kMessageFilterId)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *object = static_cast<IMessageFilter*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD,
                                             LPINTERFACEINFO) override {
    return SERVERCALL_ISHANDLED;
  }
  // Both verdicts mean the call was not carried out, so it is safe to make
  // again; -1 gives it up (RPC_E_CALL_REJECTED).
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsed,
                                            DWORD) override {
    const std::optional<std::uint32_t> pause =
        PauseBeforeRetryingRejectedCall(retry_, elapsed);
    return pause ? static_cast<DWORD>(*pause) : static_cast<DWORD>(-1);
  }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
    return PENDINGMSG_WAITDEFPROCESS;
  }

 private:
  const RetryPolicy retry_;
  LONG references_ = 1;
};

}  // namespace

void InitializeCom() { ::CoInitialize(nullptr); }

void UninitializeCom() { ::CoUninitialize(); }

MessageFilterRegistration::MessageFilterRegistration(
    const RetryPolicy& retry) {
  auto* filter = new (std::nothrow) RetryingMessageFilter(retry);
  if (filter == nullptr) return;
  IMessageFilter* previous = nullptr;
  registered_ = SUCCEEDED(::CoRegisterMessageFilter(filter, &previous));
  previous_ = previous;
  // COM holds a reference of its own while the filter is registered.
  filter->Release();
}

MessageFilterRegistration::~MessageFilterRegistration() {
  if (!registered_) return;
  auto* previous = static_cast<IMessageFilter*>(previous_);
  // COM holds the previous filter again and hands back the launcher's,
  // whose last reference goes with it.
  IMessageFilter* ours = nullptr;
  ::CoRegisterMessageFilter(previous, &ours);
  if (ours != nullptr) ours->Release();
  if (previous != nullptr) previous->Release();
}

}  // namespace platform
