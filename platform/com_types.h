#pragma once

// The OLE Automation types and calls that the automation layer and the Excel
// automation double use: HRESULT, BSTR, VARIANT, DISPPARAMS, IDispatch, the
// oleaut32 string and variant calls, CLSIDFromProgID/CoCreateInstance and the
// ANSI code-page conversions. On the real Windows they are the system's own.
// Over the simulated Windows (on Linux, and for the vendor's tools on
// Windows too) they are declared here with the same names and layouts, and
// the simulated Windows implements them (platform/sim/oleaut_sim.cpp,
// platform/sim/com_classes_sim.cpp), so the same code compiles on both.
//
// Member names are written OLESTR("Name"): wide text on both sides.

#include "platform/real_windows.h"

#ifdef PLATFORM_REAL_WINDOWS

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#else  // the simulated Windows

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using SHORT = std::int16_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using LONGLONG = std::int64_t;
using UINT = unsigned int;
using BOOL = int;
using FLOAT = float;
using DOUBLE = double;
using DATE = double;
using LCID = DWORD;
using HRESULT = std::int32_t;
using SCODE = std::int32_t;
using DISPID = LONG;

// UTF-16 code units, as on Windows (where wchar_t is 16 bits wide).
using OLECHAR = char16_t;
using WCHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
// A BSTR points at the first character; its byte length is stored in the
// 32-bit word before it and a zero character follows the last byte.
using BSTR = OLECHAR*;
#define OLESTR(text) u##text

#define STDMETHODCALLTYPE
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
bool operator==(const GUID& a, const GUID& b);
bool IsEqualGUID(const GUID& a, const GUID& b);

extern const IID IID_NULL;
extern const IID IID_IUnknown;
extern const IID IID_IDispatch;

// The ABI differs from Windows' (no __stdcall, the host's vtable layout),
// which is harmless: host code only ever talks to host code.
struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid,
                                                   void** object) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IErrorInfo : IUnknown {
 protected:
  ~IErrorInfo() = default;
};

// Never used: the launcher reads no type information.
struct ITypeInfo;

using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

struct IDispatch;

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    LONG lVal;
    BYTE bVal;
    SHORT iVal;
    FLOAT fltVal;
    DOUBLE dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    void* byref;
  };
};
using VARIANTARG = VARIANT;

struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  HRESULT(STDMETHODCALLTYPE* pfnDeferredFillIn)(EXCEPINFO*);
  SCODE scode;
};

struct IDispatch : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale,
                                                ITypeInfo** info) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid,
                                                  LPOLESTR* names,
                                                  UINT count, LCID locale,
                                                  DISPID* ids) = 0;
  virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid,
                                           LCID locale, WORD flags,
                                           DISPPARAMS* params,
                                           VARIANT* result,
                                           EXCEPINFO* exception,
                                           UINT* argumentError) = 0;

 protected:
  ~IDispatch() = default;
};

enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_UI1 = 17,
  VT_I8 = 20,
  VT_INT = 22,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
};

inline constexpr WORD DISPATCH_METHOD = 1;
inline constexpr WORD DISPATCH_PROPERTYGET = 2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 4;
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr DWORD CLSCTX_INPROC_SERVER = 1;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 4;
inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_UTF8 = 65001;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND =
    static_cast<HRESULT>(0x80020003);
inline constexpr HRESULT DISP_E_TYPEMISMATCH =
    static_cast<HRESULT>(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006);
inline constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000A);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT =
    static_cast<HRESULT>(0x8002000E);
inline constexpr HRESULT CLASS_E_NOAGGREGATION =
    static_cast<HRESULT>(0x80040110);
inline constexpr HRESULT REGDB_E_CLASSNOTREG =
    static_cast<HRESULT>(0x80040154);
inline constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3);
// The server could not be started (Office finishing an update, say).
inline constexpr HRESULT CO_E_SERVER_EXEC_FAILURE =
    static_cast<HRESULT>(0x80080005);
// A busy server refused the call without carrying it out.
inline constexpr HRESULT RPC_E_CALL_REJECTED = static_cast<HRESULT>(0x80010001);
inline constexpr HRESULT RPC_E_SERVERCALL_RETRYLATER =
    static_cast<HRESULT>(0x8001010A);

// oleaut32: strings and variants.
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
BSTR SysAllocStringByteLen(const char* bytes, UINT length);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);
void SysFreeString(BSTR text);
void VariantInit(VARIANT* value);
HRESULT VariantClear(VARIANT* value);
HRESULT VariantCopy(VARIANT* destination, const VARIANT* source);
HRESULT VariantChangeType(VARIANT* destination, const VARIANT* source,
                          WORD flags, VARTYPE type);

// ole32: classes.
HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD classContext,
                         REFIID iid, void** object);

// kernel32: the ANSI code page (the simulated one is Windows-1252) and the
// thread's last error.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text,
                        int length, WCHAR* wide, int wideLength);
int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wide,
                        int wideLength, char* text, int length,
                        const char* defaultChar, BOOL* usedDefaultChar);
int lstrlenA(const char* text);
DWORD GetLastError();
void SetLastError(DWORD code);

#endif  // PLATFORM_REAL_WINDOWS
