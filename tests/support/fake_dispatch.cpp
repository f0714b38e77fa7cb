#include "tests/support/fake_dispatch.h"

#include <gtest/gtest.h>

namespace {

automation::AutomationValue ValueOfType(VARTYPE type) {
  automation::AutomationValue value;
  value.Variant().vt = type;
  return value;
}

}  // namespace

automation::AutomationValue LongValue(LONG value) {
  automation::AutomationValue result = ValueOfType(VT_I4);
  result.Variant().lVal = value;
  return result;
}

automation::AutomationValue DoubleValue(double value) {
  automation::AutomationValue result = ValueOfType(VT_R8);
  result.Variant().dblVal = value;
  return result;
}

automation::AutomationValue BoolValue(bool value) {
  automation::AutomationValue result = ValueOfType(VT_BOOL);
  result.Variant().boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return result;
}

automation::AutomationValue ErrorValue(SCODE code) {
  automation::AutomationValue result = ValueOfType(VT_ERROR);
  result.Variant().scode = code;
  return result;
}

automation::AutomationValue TextValue(const OLECHAR* text) {
  automation::AutomationValue result = ValueOfType(VT_BSTR);
  result.Variant().bstrVal = SysAllocString(text);
  return result;
}

automation::AutomationValue ObjectValue(IDispatch* object) {
  automation::AutomationValue result = ValueOfType(VT_DISPATCH);
  result.Variant().pdispVal = object;
  if (object != nullptr) object->AddRef();
  return result;
}

std::u16string WideText(BSTR text) {
  return text == nullptr ? std::u16string()
                         : std::u16string(text, SysStringLen(text));
}

FakeDispatch::~FakeDispatch() {
  EXPECT_EQ(references_, 0u) << "a reference to the object was not released";
}

DISPID FakeDispatch::AddMember(const std::u16string& name, HRESULT answer) {
  const DISPID id = static_cast<DISPID>(ids_.size()) + 1;
  ids_[name] = id;
  members_[id].answer = answer;
  return id;
}

void FakeDispatch::SetResult(DISPID id, const VARIANT& result) {
  members_[id].result = result;
}

void FakeDispatch::BeBusy(int lookups, int invokes, HRESULT answer) {
  busyLookups_ = lookups;
  busyInvokes_ = invokes;
  busyAnswer_ = answer;
}

HRESULT FakeDispatch::QueryInterface(REFIID iid, void** object) {
  if (!(iid == IID_IUnknown || iid == IID_IDispatch)) {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  *object = static_cast<IDispatch*>(this);
  return S_OK;
}

ULONG FakeDispatch::AddRef() { return ++references_; }

ULONG FakeDispatch::Release() {
  if (references_ == 0) {
    ADD_FAILURE() << "Release without a matching AddRef";
    return 0;
  }
  return --references_;
}

HRESULT FakeDispatch::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}

HRESULT FakeDispatch::GetTypeInfo(UINT, LCID, ITypeInfo**) {
  ADD_FAILURE() << "the automation layer reads no type information";
  return E_NOTIMPL;
}

HRESULT FakeDispatch::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count,
                                    LCID locale, DISPID* ids) {
  NameLookup lookup{iid, {}, locale};
  for (UINT i = 0; i < count; ++i) lookup.names.emplace_back(names[i]);
  if (busyLookups_ > 0) {
    --busyLookups_;
    lookups_.push_back(std::move(lookup));
    return busyAnswer_;
  }
  HRESULT answer = S_OK;
  for (UINT i = 0; i < count; ++i) {
    const auto found = ids_.find(names[i]);
    ids[i] = found == ids_.end() ? DISPID_UNKNOWN : found->second;
    if (found == ids_.end()) answer = DISP_E_UNKNOWNNAME;
  }
  lookups_.push_back(std::move(lookup));
  return answer;
}

HRESULT FakeDispatch::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                             DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* exception, UINT* argumentError) {
  Invocation call{id,
                  iid,
                  locale,
                  flags,
                  {},
                  {},
                  result != nullptr,
                  exception != nullptr,
                  argumentError != nullptr};
  for (UINT i = 0; i < params->cArgs; ++i) {
    call.arguments.emplace_back(params->rgvarg[i]);
  }
  call.namedArguments.assign(params->rgdispidNamedArgs,
                             params->rgdispidNamedArgs + params->cNamedArgs);
  invocations_.push_back(std::move(call));
  if (busyInvokes_ > 0) {
    --busyInvokes_;
    return busyAnswer_;
  }

  const auto member = members_.find(id);
  if (member == members_.end()) return DISP_E_MEMBERNOTFOUND;
  const Member& answering = member->second;
  if (answering.answer == DISP_E_EXCEPTION && exception != nullptr) {
    exception->bstrSource = SysAllocString(u"FakeDispatch");
    exception->bstrDescription = SysAllocString(u"scripted failure");
  }
  if (FAILED(answering.answer) || result == nullptr) return answering.answer;
  const HRESULT copied = VariantCopy(result, &answering.result.Variant());
  return FAILED(copied) ? copied : answering.answer;
}
