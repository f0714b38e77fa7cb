// automation_probe: an automation client that drives whatever is registered
// as "Excel.Application" the way the launcher does, through IDispatch late
// binding only, and prints what each call answered. Used to prove the Excel
// double as a local server under Wine.
//
// Usage: automation_probe.exe <file to open> <macro> <macro argument>
//
// In one single-threaded apartment: CLSIDFromProgID("Excel.Application"),
// CoCreateInstance(CLSCTX_LOCAL_SERVER, IDispatch), then Workbooks (get),
// Version (get), Visible = True (put), HWND (get), SetForegroundWindow on that
// handle, Workbooks.Open(<file>), Workbook.Name (get), Run(<macro>,
// <argument>), and releases every reference before CoUninitialize.
//
// Prints one line per step, tab-separated: "<step>\thr=0x<8 hex>\t<value>",
// the value as text, a number, "object", "empty" or "VT<n>". Exit code 0 when
// Excel could be created (whatever the later calls answered), 1 otherwise, 2
// on a usage error.
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// One reference to a COM object, released once.
class DispatchRef {
 public:
  DispatchRef() = default;
  explicit DispatchRef(IDispatch* object) : object_(object) {}
  DispatchRef(const DispatchRef&) = delete;
  DispatchRef& operator=(const DispatchRef&) = delete;
  ~DispatchRef() {
    if (object_ != nullptr) object_->Release();
  }
  IDispatch* get() const { return object_; }
  IDispatch** out() { return &object_; }

 private:
  IDispatch* object_ = nullptr;
};

// A VARIANT cleared once.
struct Variant {
  VARIANT value;
  Variant() { ::VariantInit(&value); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { ::VariantClear(&value); }
};

std::string Utf8(const wchar_t* text, int length) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0,
                                         nullptr, nullptr);
  std::string out(size, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr,
                        nullptr);
  return out;
}

std::wstring Wide(const char* text) {
  const int size = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring out(size, L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), size);
  out.resize(size > 0 ? size - 1 : 0);
  return out;
}

std::string Describe(const VARIANT& value) {
  switch (value.vt) {
    case VT_BSTR:
      return Utf8(value.bstrVal,
                  static_cast<int>(::SysStringLen(value.bstrVal)));
    case VT_I4:
      return std::to_string(value.lVal);
    case VT_DISPATCH:
      return "object";
    case VT_EMPTY:
      return "empty";
    default:
      return "VT" + std::to_string(value.vt);
  }
}

void Report(const char* step, HRESULT result, const std::string& value) {
  std::printf("%s\thr=0x%08lX\t%s\n", step, static_cast<unsigned long>(result),
              value.c_str());
  std::fflush(stdout);
}

// Calls member `name` of `object` with `arguments` in the order a caller
// writes them; a put passes its value as the one named argument
// DISPID_PROPERTYPUT, as automation requires.
HRESULT Call(IDispatch* object, const wchar_t* name, WORD flags,
             const std::vector<VARIANT>& arguments, VARIANT* result) {
  DISPID member = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr =
      object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> backwards(arguments.rbegin(), arguments.rend());
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{backwards.data(), nullptr,
                    static_cast<UINT>(backwards.size()), 0};
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  return object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                        result, nullptr, nullptr);
}

VARIANT Text(BSTR text) {
  VARIANT value;
  value.vt = VT_BSTR;
  value.bstrVal = text;
  return value;
}

// A BSTR freed once.
class Bstr {
 public:
  explicit Bstr(const std::wstring& text)
      : text_(
            ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { ::SysFreeString(text_); }
  BSTR get() const { return text_; }

 private:
  BSTR text_;
};

// Calls a member and prints its line; the result's value is read only after
// the call.
void Step(const char* step, IDispatch* object, const wchar_t* name, WORD flags,
          const std::vector<VARIANT>& arguments, Variant& result) {
  const HRESULT hr = Call(object, name, flags, arguments, &result.value);
  Report(step, hr, Describe(result.value));
}

// Everything after the creation of the Application object.
void Drive(IDispatch* application, const char* file, const char* macro,
           const char* argument) {
  Variant workbooks;
  Step("Workbooks", application, L"Workbooks", DISPATCH_PROPERTYGET, {},
       workbooks);
  Variant version;
  Step("Version", application, L"Version", DISPATCH_PROPERTYGET, {}, version);

  VARIANT visible;
  visible.vt = VT_BOOL;
  visible.boolVal = VARIANT_TRUE;
  Variant putResult;
  Step("Visible", application, L"Visible", DISPATCH_PROPERTYPUT, {visible},
       putResult);

  Variant window;
  Step("HWND", application, L"HWND", DISPATCH_PROPERTYGET, {}, window);
  if (window.value.vt == VT_I4) {
    const HWND handle = reinterpret_cast<HWND>(
        static_cast<LONG_PTR>(static_cast<ULONG>(window.value.lVal)));
    Report("SetForegroundWindow", S_OK,
           ::SetForegroundWindow(handle) ? "yes" : "no");
  }

  if (workbooks.value.vt == VT_DISPATCH) {
    const Bstr fileName(Wide(file));
    Variant workbook;
    Step("Open", workbooks.value.pdispVal, L"Open", DISPATCH_METHOD,
         {Text(fileName.get())}, workbook);
    if (workbook.value.vt == VT_DISPATCH) {
      Variant name;
      Step("Name", workbook.value.pdispVal, L"Name", DISPATCH_PROPERTYGET, {},
           name);
    }
  }

  const Bstr macroName(Wide(macro));
  const Bstr macroArgument(Wide(argument));
  Variant runResult;
  Step("Run", application, L"Run", DISPATCH_METHOD,
       {Text(macroName.get()), Text(macroArgument.get())}, runResult);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr,
                 "usage: automation_probe <file to open> <macro> <argument>\n");
    return 2;
  }
  if (FAILED(::CoInitialize(nullptr))) return 1;
  int exitCode = 1;
  {
    CLSID clsid{};
    HRESULT hr = ::CLSIDFromProgID(L"Excel.Application", &clsid);
    wchar_t clsidText[40] = L"";
    ::StringFromGUID2(clsid, clsidText, 40);
    Report("CLSIDFromProgID", hr,
           Utf8(clsidText, static_cast<int>(::wcslen(clsidText))));
    DispatchRef application;
    if (SUCCEEDED(hr)) {
      hr =
          ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(application.out()));
      Report("CoCreateInstance", hr, "");
    }
    if (SUCCEEDED(hr)) {
      Drive(application.get(), argv[1], argv[2], argv[3]);
      exitCode = 0;
    }
  }
  ::CoUninitialize();
  Report("done", S_OK, "");
  return exitCode;
}
