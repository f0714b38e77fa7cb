#include "automation/dispatch_object.h"

#include <cstring>
#include <utility>

#include "automation/automation_string.h"
#include "automation/automation_value.h"
#include "automation/busy_retry.h"
#include "automation/com_error.h"

namespace automation {

namespace {

// The EXCEPINFO block of one Invoke, zeroed before the call. What a server
// writes into it is not examined, but the strings it allocates there are
// the caller's to free.
class ExceptionInfo {
 public:
  ExceptionInfo() noexcept { std::memset(&info_, 0, sizeof info_); }
  ~ExceptionInfo() {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
  }
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;

  EXCEPINFO* Get() noexcept { return &info_; }

 private:
  EXCEPINFO info_;
};

constexpr const char* kErrorText = "#ERROR!";

// Makes `call` until the server no longer rejects it as busy, or the bound
// has passed: the one place where the dispatch calls wait for Excel.
template <typename Call>
HRESULT RepeatWhileBusy(Call call) {
  return RetryWhile(kBusyCallRetry, IsBusyRejection, call);
}

// Values whose content is a pointer: the null pointer is their "nothing".
bool HoldsPointer(VARTYPE type) {
  return type == VT_BSTR || type == VT_DISPATCH || type == VT_UNKNOWN ||
         (type & VT_BYREF) != 0;
}

// A value with nothing to show: a null pointer, or a first 32-bit data
// word of zero.
bool HasNullContent(const VARIANT& value) {
  if (HoldsPointer(value.vt)) return value.byref == nullptr;
  std::uint32_t firstWord;
  std::memcpy(&firstWord, &value.lVal, sizeof firstWord);
  return firstWord == 0;
}

// Writes the text of `value` into `text` as GetTextProperty describes it.
void ReadText(const AutomationValue& value, std::string& text) {
  const VARTYPE type = value.Variant().vt;
  if (type == VT_ERROR) {
    text = kErrorText;
  } else if (type == VT_NULL || (type & VT_ARRAY) != 0) {
    text.clear();
  } else if (!HasNullContent(value.Variant())) {
    AutomationString converted(value);
    const char* narrow = converted.Narrow();
    text = narrow != nullptr ? narrow : "";
  }
}

}  // namespace

DispatchObject::~DispatchObject() { Release(); }

DispatchObject::DispatchObject(DispatchObject&& other) noexcept
    : object_(std::exchange(other.object_, nullptr)),
      lastFailure_(other.lastFailure_) {}

DispatchObject& DispatchObject::operator=(DispatchObject&& other) noexcept {
  if (this != &other) {
    Release();
    object_ = std::exchange(other.object_, nullptr);
    lastFailure_ = other.lastFailure_;
  }
  return *this;
}

void DispatchObject::Release() noexcept {
  if (IDispatch* old = std::exchange(object_, nullptr)) old->Release();
}

void DispatchObject::Take(IDispatch* object) noexcept {
  if (object == object_) return;
  if (object != nullptr) object->AddRef();
  IDispatch* old = std::exchange(object_, object);
  if (old != nullptr) old->Release();
}

bool DispatchObject::TakeDispatch(const VARIANT& value) noexcept {
  if (value.vt != VT_DISPATCH || value.pdispVal == nullptr) return false;
  Take(value.pdispVal);
  return true;
}

HRESULT DispatchObject::CreateInstanceByProgID(const OLECHAR* progId,
                                               IUnknown* outer,
                                               DWORD classContext) {
  CLSID clsid;
  const HRESULT found = CLSIDFromProgID(progId, &clsid);
  if (FAILED(found)) return found;
  Release();
  return CoCreateInstance(clsid, outer, classContext, IID_IDispatch,
                          reinterpret_cast<void**>(&object_));
}

HRESULT DispatchObject::LookUp(const OLECHAR* name, DISPID& id) const {
  // The one name travels in a non-const array; GetIDsOfNames only reads it.
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  return RepeatWhileBusy([&] {
    return object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT,
                                  &id);
  });
}

HRESULT DispatchObject::Invoke(DISPID id, WORD flags, DISPPARAMS& params,
                               VARIANT* result, UINT* argumentError) const {
  return RepeatWhileBusy([&] {
    ExceptionInfo exception;
    return object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                           result, exception.Get(), argumentError);
  });
}

bool DispatchObject::Check(HRESULT result) noexcept {
  return SUCCEEDED(result) || Fail(result);
}

bool DispatchObject::Fail(HRESULT reason) noexcept {
  lastFailure_ = reason;
  return false;
}

bool DispatchObject::GetPropertyById(DISPID id, VARIANT* result,
                                     DISPPARAMS* params) {
  if (IsEmpty()) return Fail(E_POINTER);
  DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
  return Check(Invoke(id, DISPATCH_PROPERTYGET,
                      params != nullptr ? *params : noArguments, result,
                      nullptr));
}

bool DispatchObject::GetProperty(const OLECHAR* name, VARIANT* result,
                                 DISPPARAMS* params) {
  if (IsEmpty()) return Fail(E_POINTER);
  DISPID id;
  return Check(LookUp(name, id)) && GetPropertyById(id, result, params);
}

bool DispatchObject::GetLongProperty(const OLECHAR* name, std::int32_t& value,
                                     DISPPARAMS* params) {
  AutomationValue result;
  if (!GetProperty(name, &result.Variant(), params)) return false;
  try {
    value = result.ToInt32();
    return true;
  } catch (const _com_error& failure) {
    return Fail(failure.Error());
  }
}

bool DispatchObject::GetObjectProperty(const OLECHAR* name,
                                       DispatchObject& object,
                                       DISPPARAMS* params) {
  AutomationValue result;
  if (!GetProperty(name, &result.Variant(), params)) return false;
  return object.TakeDispatch(result.Variant()) || Fail(DISP_E_TYPEMISMATCH);
}

bool DispatchObject::GetTextProperty(const OLECHAR* name, std::string& text,
                                     DISPPARAMS* params) {
  AutomationValue result;
  if (!GetProperty(name, &result.Variant(), params)) return false;
  try {
    ReadText(result, text);
    return true;
  } catch (const _com_error& failure) {
    return Fail(failure.Error());
  }
}

bool DispatchObject::PutProperty(const OLECHAR* name, const VARIANT& value) {
  if (IsEmpty()) return Fail(E_POINTER);
  DISPID id;
  if (!Check(LookUp(name, id))) return false;
  DISPID namedArgument = DISPID_PROPERTYPUT;
  // Invoke only reads its arguments, though the array is not const.
  DISPPARAMS params{const_cast<VARIANT*>(&value), &namedArgument, 1, 1};
  AutomationValue result;
  return Check(
      Invoke(id, DISPATCH_PROPERTYPUT, params, &result.Variant(), nullptr));
}

bool DispatchObject::PutBoolProperty(const OLECHAR* name, bool value) {
  AutomationValue flag;
  flag.Variant().vt = VT_BOOL;
  flag.Variant().boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return PutProperty(name, flag.Variant());
}

bool DispatchObject::CallMethod(const OLECHAR* name, DISPPARAMS& params,
                                VARIANT* result) {
  if (IsEmpty()) return Fail(E_POINTER);
  DISPID id;
  if (!Check(LookUp(name, id))) return false;
  UINT argumentError = 0;
  return Check(Invoke(id, DISPATCH_METHOD, params, result, &argumentError));
}

bool DispatchObject::CallMethodNoArgs(const OLECHAR* name) {
  DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
  AutomationValue result;
  return CallMethod(name, noArguments, &result.Variant());
}

bool DispatchObject::CallMethodWithArgs(const OLECHAR* name,
                                        ArgumentList& arguments,
                                        VARIANT* result) {
  DISPPARAMS params{arguments.Data(), nullptr,
                    static_cast<UINT>(arguments.Size()), 0};
  return CallMethod(name, params, result);
}

bool DispatchObject::CallMethodForObject(const OLECHAR* name,
                                         ArgumentList& arguments,
                                         DispatchObject& object) {
  AutomationValue result;
  if (!CallMethodWithArgs(name, arguments, &result.Variant())) return false;
  return object.TakeDispatch(result.Variant()) || Fail(DISP_E_TYPEMISMATCH);
}

}  // namespace automation
