#pragma once

// A scriptable automation object for tests of the automation layer: it
// knows the member names it is given, answers each member's Invoke with a
// scripted HRESULT and result, can be busy for a number of calls, records
// every GetIDsOfNames and Invoke (rejected ones too), and counts its
// references. It lives in the test (it never deletes itself) and
// expects, when destroyed, every reference to have been released.

#include <map>
#include <string>
#include <vector>

#include "automation/automation_value.h"
#include "platform/com_types.h"

// Values to script results and arguments with; each owns what it holds.
automation::AutomationValue LongValue(LONG value);
automation::AutomationValue DoubleValue(double value);
automation::AutomationValue BoolValue(bool value);
automation::AutomationValue ErrorValue(SCODE code);
// VT_BSTR holding a copy of `text`, or a null BSTR for null.
automation::AutomationValue TextValue(const OLECHAR* text);
// VT_DISPATCH holding a reference of its own to `object`.
automation::AutomationValue ObjectValue(IDispatch* object);

// All the characters of a BSTR, embedded zeros included.
std::u16string WideText(BSTR text);

class FakeDispatch final : public IDispatch {
 public:
  struct NameLookup {
    IID iid;
    std::vector<std::u16string> names;
    LCID locale;
  };

  struct Invocation {
    DISPID id;
    IID iid;
    LCID locale;
    WORD flags;
    // Copies of the positional arguments, in the order received (element 0
    // is the last argument).
    std::vector<automation::AutomationValue> arguments;
    std::vector<DISPID> namedArguments;
    bool gotResultSlot;
    bool gotExceptionInfo;
    bool gotArgumentErrorSlot;
  };

  FakeDispatch() = default;
  ~FakeDispatch();
  FakeDispatch(const FakeDispatch&) = delete;
  FakeDispatch& operator=(const FakeDispatch&) = delete;

  // Makes `name` known under a new DISPID, returned. Its Invoke answers
  // `answer` (and writes the result only when that succeeds);
  // DISP_E_EXCEPTION also fills the EXCEPINFO strings, as a server
  // reporting an exception does.
  DISPID AddMember(const std::u16string& name, HRESULT answer = S_OK);
  // The result that Invoke of `id` copies into the caller's result slot.
  void SetResult(DISPID id, const VARIANT& result);
  // The next `lookups` GetIDsOfNames and the next `invokes` Invoke calls
  // are rejected with `answer`, as a busy server rejects them: recorded,
  // nothing else done (no id written, no result, no EXCEPINFO).
  void BeBusy(int lookups, int invokes,
              HRESULT answer = RPC_E_SERVERCALL_RETRYLATER);

  ULONG References() const { return references_; }
  const std::vector<NameLookup>& Lookups() const { return lookups_; }
  const std::vector<Invocation>& Invocations() const { return invocations_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale,
                                        ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names,
                                          UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale,
                                   WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) override;

 private:
  struct Member {
    HRESULT answer = S_OK;
    automation::AutomationValue result;
  };

  ULONG references_ = 0;
  std::map<std::u16string, DISPID> ids_;
  std::map<DISPID, Member> members_;
  std::vector<NameLookup> lookups_;
  std::vector<Invocation> invocations_;
  int busyLookups_ = 0;
  int busyInvokes_ = 0;
  HRESULT busyAnswer_ = S_OK;
};
