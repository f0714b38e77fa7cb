#pragma once

// DispatchObject: holds one counted reference to an automation object
// (IDispatch) or nothing, and calls its properties and methods by name
// (late binding: GetIDsOfNames, then Invoke).
//
// The named operations share these rules:
// - On an empty holder they return false and call nothing.
// - A name is looked up with GetIDsOfNames(IID_NULL, that one name,
//   LOCALE_USER_DEFAULT); a failed lookup returns false without an Invoke.
// - Invoke gets IID_NULL, LOCALE_USER_DEFAULT and an EXCEPINFO block whose
//   content is not examined (its strings are freed). Success is any HRESULT
//   that is not negative, S_FALSE included.
// - A GetIDsOfNames or Invoke that the server rejects as busy
//   (RPC_E_CALL_REJECTED, RPC_E_SERVERCALL_RETRYLATER) was not carried out
//   and is made again, after growing pauses, until it is answered otherwise
//   or the bound of automation/busy_retry.h has passed; its last answer
//   counts. A server that is not busy costs no pause.
// - They never raise: a failed call returns false and the caller decides;
//   LastFailure() tells why.
// A VARIANT result given by the caller must be initialised (VariantInit);
// on success it holds what the server answered.

#include <cstdint>
#include <string>

#include "automation/argument_list.h"
#include "platform/com_types.h"

namespace automation {

class DispatchObject {
 public:
  DispatchObject() noexcept = default;
  ~DispatchObject();
  DispatchObject(DispatchObject&& other) noexcept;
  DispatchObject& operator=(DispatchObject&& other) noexcept;
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  bool IsEmpty() const noexcept { return object_ == nullptr; }
  // The object held, still owned by the holder; null when empty.
  IDispatch* Get() const noexcept { return object_; }

  // Drops the reference held (if any); the holder is empty afterwards.
  void Release() noexcept;
  // Holds `object` (or nothing, when null) with a reference of its own:
  // nothing happens when it is the object already held; otherwise the new
  // one is AddRef'd first, then the old one Released.
  void Take(IDispatch* object) noexcept;
  // When `value` is VT_DISPATCH with a non-null pointer, takes that object
  // and returns true; otherwise returns false and the holder is unchanged.
  bool TakeDispatch(const VARIANT& value) noexcept;

  // Creates the object registered for `progId` (CLSIDFromProgID, then
  // CoCreateInstance for IDispatch in `classContext`); the new reference
  // becomes the holder's own. Returns the failing HRESULT unchanged; the
  // holder is untouched when the ProgID is unknown. Whatever the holder
  // held is released before the object is created.
  HRESULT CreateInstanceByProgID(const OLECHAR* progId, IUnknown* outer,
                                 DWORD classContext);

  // Property get of member `id`, with `params` or, when null, no arguments.
  bool GetPropertyById(DISPID id, VARIANT* result,
                       DISPPARAMS* params = nullptr);
  bool GetProperty(const OLECHAR* name, VARIANT* result,
                   DISPPARAMS* params = nullptr);
  // The property read as a 32-bit integer (converted when it is not VT_I4);
  // false, with `value` unwritten, when the call or the conversion fails.
  bool GetLongProperty(const OLECHAR* name, std::int32_t& value,
                       DISPPARAMS* params = nullptr);
  // True only when the property is VT_DISPATCH with a non-null pointer,
  // which `object` then holds with exactly one reference of its own;
  // otherwise `object` is unchanged.
  bool GetObjectProperty(const OLECHAR* name, DispatchObject& object,
                         DISPPARAMS* params = nullptr);
  // The property as narrow text: "#ERROR!" for VT_ERROR; "" for VT_NULL
  // and for arrays; `text` unchanged for a value whose content is null or
  // zero (a null BSTR, a zero first 32-bit data word); otherwise the value
  // converted to text. False, with `text` unchanged, when the call or the
  // conversion fails.
  bool GetTextProperty(const OLECHAR* name, std::string& text,
                       DISPPARAMS* params = nullptr);

  // Property put of `value`: one positional argument carrying the one named
  // argument DISPID_PROPERTYPUT.
  bool PutProperty(const OLECHAR* name, const VARIANT& value);
  // PutProperty of VT_BOOL VARIANT_TRUE or VARIANT_FALSE.
  bool PutBoolProperty(const OLECHAR* name, bool value);

  // Method call with `params` as given.
  bool CallMethod(const OLECHAR* name, DISPPARAMS& params, VARIANT* result);
  // Method call without arguments; its result is dropped.
  bool CallMethodNoArgs(const OLECHAR* name);
  // Method call with `arguments` as its positional arguments (see
  // ArgumentList for their order) and no named ones.
  bool CallMethodWithArgs(const OLECHAR* name, ArgumentList& arguments,
                          VARIANT* result);
  // CallMethodWithArgs whose result must be VT_DISPATCH with a non-null
  // pointer, which `object` then holds; otherwise false and `object` is
  // unchanged.
  bool CallMethodForObject(const OLECHAR* name, ArgumentList& arguments,
                           DispatchObject& object);

  // Why the last named operation of this holder that returned false did:
  // the failing HRESULT of GetIDsOfNames or Invoke (the last answer, after
  // any retries); the HRESULT of a result's failed conversion to a number
  // or to text; DISP_E_TYPEMISMATCH for a result that is no object where an
  // object was asked for; E_POINTER for an empty holder. S_OK while none
  // has failed.
  HRESULT LastFailure() const noexcept { return lastFailure_; }

 private:
  // GetIDsOfNames of the one name, and Invoke with IID_NULL, the user's
  // default locale and a fresh EXCEPINFO for each try: each made again
  // while the server rejects it as busy.
  HRESULT LookUp(const OLECHAR* name, DISPID& id) const;
  HRESULT Invoke(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result,
                 UINT* argumentError) const;
  // Whether `result` succeeded; a failure is kept for LastFailure().
  bool Check(HRESULT result) noexcept;
  // Keeps `reason` for LastFailure() and returns false.
  bool Fail(HRESULT reason) noexcept;

  IDispatch* object_ = nullptr;
  HRESULT lastFailure_ = S_OK;
};

}  // namespace automation
