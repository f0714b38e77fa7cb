#include "ascii/ascii_case.h"
#include "tests/doubles/excel_automation/automation_object.h"

#include <string>
#include <utility>

#include "tests/doubles/excel_automation/dispatch_results.h"
#include "tests/doubles/excel_automation/journal_entry.h"
#include "tests/doubles/excel_automation/ole_text.h"

namespace excel_double {
namespace {

constexpr WORD kGetOrMethod = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

bool FlagsFit(MemberKind kind, WORD flags) {
  switch (kind) {
    case MemberKind::kPropertyGet:
      return (flags & DISPATCH_PROPERTYGET) != 0 &&
             (flags & ~kGetOrMethod) == 0;
    case MemberKind::kMethod:
      return (flags & DISPATCH_METHOD) != 0 && (flags & ~kGetOrMethod) == 0;
    case MemberKind::kPropertyPut:
      return flags == DISPATCH_PROPERTYPUT;
  }
  return false;
}

HRESULT CheckShape(const Member& member, WORD flags, const DISPPARAMS& params) {
  if (!FlagsFit(member.kind, flags)) return DISP_E_MEMBERNOTFOUND;
  if (member.kind == MemberKind::kPropertyPut) {
    if (params.cNamedArgs != 1 || params.rgdispidNamedArgs == nullptr ||
        params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return kParameterNotFound;
    }
  } else if (params.cNamedArgs != 0) {
    return kNoNamedArguments;
  }
  if (params.cArgs < member.minArguments ||
      params.cArgs > member.maxArguments) {
    return DISP_E_BADPARAMCOUNT;
  }
  if (params.cArgs > 0 && params.rgvarg == nullptr) return E_INVALIDARG;
  return S_OK;
}

BSTR AllocateText(std::string_view utf8) {
  const OleString text = OleFromUtf8(utf8);
  return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

}  // namespace

HRESULT Invocation::ExpectType(UINT n, VARTYPE type) const {
  if (Argument(n).vt == type) return S_OK;
  if (argumentError_ != nullptr) *argumentError_ = params_.cArgs - 1 - n;
  return DISP_E_TYPEMISMATCH;
}

void Invocation::ReturnText(std::string_view utf8) const {
  if (result_ == nullptr) return;
  result_->vt = VT_BSTR;
  result_->bstrVal = AllocateText(utf8);
}

void Invocation::ReturnLong(LONG value) const {
  if (result_ == nullptr) return;
  result_->vt = VT_I4;
  result_->lVal = value;
}

void Invocation::ReturnError(SCODE code) const {
  if (result_ == nullptr) return;
  result_->vt = VT_ERROR;
  result_->scode = code;
}

void Invocation::ReturnEmpty() const {
  if (result_ != nullptr) result_->vt = VT_EMPTY;
}

void Invocation::ReturnObject(IDispatch* object) const {
  if (result_ == nullptr) {
    object->Release();
    return;
  }
  result_->vt = VT_DISPATCH;
  result_->pdispVal = object;
}

HRESULT Invocation::Raise(std::string_view description) const {
  if (exception_ != nullptr) {
    *exception_ = EXCEPINFO{};
    exception_->bstrSource = AllocateText("Excel double");
    exception_->bstrDescription = AllocateText(description);
    exception_->scode = kExcelCallRefused;
  }
  return DISP_E_EXCEPTION;
}

AutomationObject::AutomationObject(std::shared_ptr<DoubleServer> server,
                                   std::string_view objectName,
                                   std::span<const Member> members)
    : server_(std::move(server)), objectName_(objectName), members_(members) {
  server_->ObjectCreated();
}

AutomationObject::~AutomationObject() { server_->ObjectDestroyed(); }

HRESULT STDMETHODCALLTYPE AutomationObject::QueryInterface(REFIID iid,
                                                           void** object) {
  if (object == nullptr) return E_POINTER;
  if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, IID_IDispatch)) {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  *object = static_cast<IDispatch*>(this);
  return S_OK;
}

ULONG STDMETHODCALLTYPE AutomationObject::AddRef() { return ++references_; }

ULONG STDMETHODCALLTYPE AutomationObject::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE AutomationObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AutomationObject::GetTypeInfo(UINT, LCID,
                                                        ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return kBadIndex;
}

HRESULT STDMETHODCALLTYPE AutomationObject::GetIDsOfNames(
    REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
  if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
  if (server_->RejectsCall()) {
    server_->Journal(RejectedNamesEntry(objectName_, {names, count},
                                        RPC_E_SERVERCALL_RETRYLATER));
    return RPC_E_SERVERCALL_RETRYLATER;
  }
  server_->Journal(NamesEntry(objectName_, {names, count}, locale));
  if (!IsEqualGUID(iid, IID_NULL)) return kUnknownInterface;
  // Only the member name can be known: no member takes named arguments, so
  // every further name (a parameter's) is unknown.
  HRESULT result = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    if (i > 0) {
      result = DISP_E_UNKNOWNNAME;
      continue;
    }
    const std::string name = Utf8FromName(names[i]);
    for (const Member& member : members_) {
      if (EqualsIgnoringAsciiCase(member.name, name)) ids[i] = member.id;
    }
    if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
  }
  return result;
}

HRESULT STDMETHODCALLTYPE AutomationObject::Invoke(
    DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
    VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  const Member* member = FindMember(id);
  std::string unknownName = "#";
  if (member == nullptr) unknownName += std::to_string(id);
  const std::string_view memberName =
      member != nullptr ? member->name : unknownName;
  if (server_->RejectsCall()) {
    server_->Journal(RejectedInvokeEntry(objectName_, memberName,
                                         RPC_E_SERVERCALL_RETRYLATER));
    return RPC_E_SERVERCALL_RETRYLATER;
  }
  if (member != nullptr && member->journalsForeground) {
    server_->JournalForeground();
  }
  const HRESULT outcome =
      Dispatch(member, iid, flags, params, result, exception, argumentError);
  server_->Journal(InvokeEntry({objectName_, memberName, flags, locale,
                                iid == IID_NULL, params, outcome}));
  return outcome;
}

const Member* AutomationObject::FindMember(DISPID id) const {
  for (const Member& member : members_) {
    if (member.id == id) return &member;
  }
  return nullptr;
}

HRESULT AutomationObject::Dispatch(const Member* member, REFIID iid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argumentError) {
  if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
  if (!IsEqualGUID(iid, IID_NULL)) return kUnknownInterface;
  if (params == nullptr) return E_INVALIDARG;
  const HRESULT shape = CheckShape(*member, flags, *params);
  if (FAILED(shape)) return shape;
  const Invocation call(*params, result, exception, argumentError);
  if (server_->settings().MemberFails(member->name)) {
    return call.Raise(std::string(member->name) +
                      " fails, as the settings say");
  }
  return Call(member->id, call);
}

}  // namespace excel_double
