#pragma once

// The IDispatch part common to the double's objects: names looked up without
// regard to case, each Invoke checked against the member's shape as a strict
// Excel would, and both calls journalled, whatever their outcome.
//
// While the server is busy (busy.calls, busy.ms in the settings), both
// calls are rejected before anything else, as a busy Excel's message filter
// rejects them: RPC_E_SERVERCALL_RETRYLATER, nothing carried out, journalled
// as rejected.
//
// Invoke answers, in this order of checks:
//   unknown DISPID                              DISP_E_MEMBERNOTFOUND
//   riid not IID_NULL                           DISP_E_UNKNOWNINTERFACE
//   no DISPPARAMS                               E_INVALIDARG
//   flags that do not fit the member's kind     DISP_E_MEMBERNOTFOUND
//   put without exactly one named argument,
//     DISPID_PROPERTYPUT                        DISP_E_PARAMNOTFOUND
//   named arguments to a get or a method        DISP_E_NONAMEDARGS
//   argument count outside the member's range   DISP_E_BADPARAMCOUNT
//   fail=<Member> in the settings               DISP_E_EXCEPTION
//   then whatever the member itself answers.
// A get or method accepts DISPATCH_METHOD, DISPATCH_PROPERTYGET or both, as
// long as its own bit is among them; a put accepts DISPATCH_PROPERTYPUT
// alone.

#include <atomic>
#include <memory>
#include <span>
#include <string_view>

#include "platform/com_types.h"
#include "tests/doubles/excel_automation/double_server.h"

namespace excel_double {

enum class MemberKind { kPropertyGet, kPropertyPut, kMethod };

struct Member {
  DISPID id;
  std::string_view name;
  MemberKind kind;
  UINT minArguments;
  UINT maxArguments;
  // Journal whether the XLMAIN window is in front each time it is invoked.
  bool journalsForeground = false;
};

constexpr Member PropertyGet(DISPID id, std::string_view name) {
  return {id, name, MemberKind::kPropertyGet, 0, 0};
}
constexpr Member PropertyPut(DISPID id, std::string_view name) {
  return {id, name, MemberKind::kPropertyPut, 1, 1};
}
constexpr Member Method(DISPID id, std::string_view name, UINT minArguments,
                        UINT maxArguments) {
  return {id, name, MemberKind::kMethod, minArguments, maxArguments};
}

// One Invoke whose shape has been checked, as a member sees it.
class Invocation {
 public:
  Invocation(const DISPPARAMS& params, VARIANT* result, EXCEPINFO* exception,
             UINT* argumentError)
      : params_(params),
        result_(result),
        exception_(exception),
        argumentError_(argumentError) {}

  // The `n`-th argument as the caller wrote the call (0 = first); rgvarg
  // holds them last first. `n` must be below the argument count.
  const VARIANT& Argument(UINT n) const {
    return params_.rgvarg[params_.cArgs - 1 - n];
  }
  // S_OK when argument `n` has `type`; otherwise DISP_E_TYPEMISMATCH, with
  // its rgvarg index in the caller's argument-error slot.
  HRESULT ExpectType(UINT n, VARTYPE type) const;

  // Each gives the caller the result, when it asked for one.
  void ReturnText(std::string_view utf8) const;
  void ReturnLong(LONG value) const;
  void ReturnError(SCODE code) const;
  void ReturnEmpty() const;
  // Takes over the one reference of `object`, and drops it when the caller
  // asked for no result.
  void ReturnObject(IDispatch* object) const;

  // DISP_E_EXCEPTION, with EXCEPINFO filled (source, `description`, Excel's
  // code of a refused call) when the caller passed one.
  HRESULT Raise(std::string_view description) const;

 private:
  const DISPPARAMS& params_;
  VARIANT* result_;
  EXCEPINFO* exception_;
  UINT* argumentError_;
};

class AutomationObject : public IDispatch {
 public:
  // `members` must outlive the object (a static table). Counts as a live
  // object of `server` until destroyed; starts with one reference.
  AutomationObject(std::shared_ptr<DoubleServer> server,
                   std::string_view objectName,
                   std::span<const Member> members);
  virtual ~AutomationObject();
  AutomationObject(const AutomationObject&) = delete;
  AutomationObject& operator=(const AutomationObject&) = delete;

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

 protected:
  // Carries out member `id` of this object's table; its shape is checked.
  virtual HRESULT Call(DISPID id, const Invocation& call) = 0;
  const std::shared_ptr<DoubleServer>& server() const { return server_; }

 private:
  const Member* FindMember(DISPID id) const;
  HRESULT Dispatch(const Member* member, REFIID iid, WORD flags,
                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                   UINT* argumentError);

  std::shared_ptr<DoubleServer> server_;
  std::string_view objectName_;
  std::span<const Member> members_;
  std::atomic<ULONG> references_{1};
};

}  // namespace excel_double
