// The simulated oleaut32 subset: BSTRs laid out as Windows lays them out,
// and VARIANT initialisation, clearing, copying and the type changes that
// automation results meet (to VT_BSTR and to VT_I4).
//
// Every BSTR is one malloc'd block, so AddressSanitizer reports a BSTR that
// is freed twice or never. The sim has no SAFEARRAY: a VARIANT holding a
// non-null array is refused with DISP_E_BADVARTYPE rather than guessed at.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com_types.h"
#include "platform/sim/sim_world.h"

const IID IID_NULL = {0x00000000, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

bool IsEqualGUID(const GUID& a, const GUID& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

bool operator==(const GUID& a, const GUID& b) { return IsEqualGUID(a, b); }

namespace {

using ByteLength = std::uint32_t;

// Windows keeps byte lengths below 2^31 so that they survive signed
// arithmetic; longer requests fail as an allocation failure would.
constexpr std::size_t kLongestByteLength =
    std::numeric_limits<std::int32_t>::max() - sizeof(ByteLength) - 3;

bool CallFails(std::string_view operation) {
  return sim::TheWorld().faults.ShouldFail(operation);
}

// One block: the byte length, the bytes, then zero bytes so that a zero wide
// character follows the last byte (after one padding zero when the length is
// odd). Null `bytes` gives zeroed content.
BSTR AllocateBstr(const void* bytes, std::size_t byteLength) {
  if (byteLength > kLongestByteLength) return nullptr;
  auto* block = static_cast<unsigned char*>(
      std::malloc(sizeof(ByteLength) + byteLength + 3));
  if (block == nullptr) return nullptr;
  const auto length = static_cast<ByteLength>(byteLength);
  std::memcpy(block, &length, sizeof length);
  unsigned char* text = block + sizeof length;
  if (bytes != nullptr) {
    std::memcpy(text, bytes, byteLength);
  } else {
    std::memset(text, 0, byteLength);
  }
  std::memset(text + byteLength, 0, 3);
  return reinterpret_cast<BSTR>(text);
}

unsigned char* BlockOf(BSTR text) {
  return reinterpret_cast<unsigned char*>(text) - sizeof(ByteLength);
}

BSTR DuplicateBstr(BSTR text) {
  return AllocateBstr(text, SysStringByteLen(text));
}

BSTR BstrFromAscii(std::string_view text) {
  std::u16string wide(text.begin(), text.end());
  return AllocateBstr(wide.data(), wide.size() * sizeof(OLECHAR));
}

}  // namespace

BSTR SysAllocString(const OLECHAR* text) {
  if (CallFails("SysAllocString") || text == nullptr) return nullptr;
  return AllocateBstr(
      text, std::char_traits<OLECHAR>::length(text) * sizeof(OLECHAR));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  if (CallFails("SysAllocStringLen")) return nullptr;
  return AllocateBstr(text, std::size_t{length} * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(const char* bytes, UINT length) {
  if (CallFails("SysAllocStringByteLen")) return nullptr;
  return AllocateBstr(bytes, length);
}

UINT SysStringByteLen(BSTR text) {
  if (text == nullptr) return 0;
  ByteLength length;
  std::memcpy(&length, BlockOf(text), sizeof length);
  return length;
}

UINT SysStringLen(BSTR text) {
  return SysStringByteLen(text) / sizeof(OLECHAR);
}

void SysFreeString(BSTR text) {
  if (text != nullptr) std::free(BlockOf(text));
}

namespace {

constexpr VARTYPE kBaseTypeMask = 0x0FFF;
constexpr VARTYPE kLastBaseType = 23;    // VT_UINT
constexpr VARTYPE kUnusedBaseType = 15;  // no type has this number

// What a VARIANT may legally carry: a base type by value, by reference or as
// an array; VT_VARIANT only by reference or as an array.
bool IsValidType(VARTYPE type) {
  const VARTYPE base = type & kBaseTypeMask;
  const VARTYPE modifiers = type & ~kBaseTypeMask;
  if ((modifiers & ~(VT_ARRAY | VT_BYREF)) != 0) return false;
  if (base == VT_VARIANT) return modifiers != 0;
  return base <= kLastBaseType && base != kUnusedBaseType;
}

// A value the sim cannot own: a SAFEARRAY it would have to copy or destroy.
bool HoldsArray(const VARIANT& value) {
  return (value.vt & VT_ARRAY) != 0 && (value.vt & VT_BYREF) == 0 &&
         value.byref != nullptr;
}

// A copy of `source` that owns its own string and its own interface
// reference; `copy` is only written on success.
HRESULT CopyContent(const VARIANT& source, VARIANT& copy) {
  VARIANT result = source;
  if (source.vt == VT_BSTR && source.bstrVal != nullptr) {
    result.bstrVal = DuplicateBstr(source.bstrVal);
    if (result.bstrVal == nullptr) return E_OUTOFMEMORY;
  } else if ((source.vt == VT_DISPATCH || source.vt == VT_UNKNOWN) &&
             source.punkVal != nullptr) {
    source.punkVal->AddRef();
  }
  copy = result;
  return S_OK;
}

// A number as a conversion reads it: whole or real.
struct Number {
  bool whole = true;
  std::int64_t integer = 0;
  double real = 0;
};

std::optional<Number> NumberIn(const VARIANT& value) {
  switch (value.vt) {
    case VT_EMPTY:
      return Number{};
    case VT_UI1:
      return Number{true, value.bVal, 0};
    case VT_I2:
      return Number{true, value.iVal, 0};
    case VT_I4:
    case VT_INT:
      return Number{true, value.lVal, 0};
    case VT_I8:
      return Number{true, value.llVal, 0};
    // True is -1, as a VARIANT_BOOL stores it.
    case VT_BOOL:
      return Number{true, value.boolVal, 0};
    case VT_R4:
      return Number{false, 0, value.fltVal};
    case VT_R8:
      return Number{false, 0, value.dblVal};
    default:
      return std::nullopt;
  }
}

// Types that Windows refuses to convert at all; every other type the sim
// does not convert gives E_NOTIMPL, so a test never relies on a guess.
bool NeverConverts(VARTYPE type) {
  return type == VT_NULL || type == VT_ERROR || type == VT_UNKNOWN;
}

HRESULT FitLong(std::int64_t value, LONG& result) {
  if (value < std::numeric_limits<LONG>::min() ||
      value > std::numeric_limits<LONG>::max()) {
    return DISP_E_OVERFLOW;
  }
  result = static_cast<LONG>(value);
  return S_OK;
}

// Decimal digits with an optional sign, spaces allowed around them.
HRESULT ParseLong(BSTR text, LONG& result) {
  if (text == nullptr) return DISP_E_TYPEMISMATCH;
  const OLECHAR* at = text;
  while (*at == u' ') ++at;
  const bool negative = *at == u'-';
  if (*at == u'-' || *at == u'+') ++at;
  if (*at < u'0' || *at > u'9') return DISP_E_TYPEMISMATCH;
  std::int64_t magnitude = 0;
  bool overflow = false;
  for (; *at >= u'0' && *at <= u'9'; ++at) {
    magnitude = magnitude * 10 + (*at - u'0');
    if (magnitude > std::int64_t{1} << 32) {
      overflow = true;
      magnitude = std::int64_t{1} << 32;
    }
  }
  while (*at == u' ') ++at;
  if (*at != 0) return DISP_E_TYPEMISMATCH;
  if (overflow) return DISP_E_OVERFLOW;
  return FitLong(negative ? -magnitude : magnitude, result);
}

HRESULT ToLong(const VARIANT& source, VARIANT& result) {
  result.vt = VT_I4;
  if (source.vt == VT_BSTR) return ParseLong(source.bstrVal, result.lVal);
  if (NeverConverts(source.vt)) return DISP_E_TYPEMISMATCH;
  const std::optional<Number> number = NumberIn(source);
  if (!number) return E_NOTIMPL;
  if (number->whole) return FitLong(number->integer, result.lVal);
  // The default rounding mode rounds halves to even, as Windows does.
  const double rounded = std::nearbyint(number->real);
  if (!(rounded >= std::numeric_limits<LONG>::min() &&
        rounded <= std::numeric_limits<LONG>::max())) {
    return DISP_E_OVERFLOW;
  }
  result.lVal = static_cast<LONG>(rounded);
  return S_OK;
}

// Numbers as Windows writes them with the English number format: booleans
// as -1 and 0, reals with 15 (double) or 7 (float) significant digits.
HRESULT ToText(const VARIANT& source, VARIANT& result) {
  if (NeverConverts(source.vt)) return DISP_E_TYPEMISMATCH;
  const std::optional<Number> number = NumberIn(source);
  if (!number) return E_NOTIMPL;
  std::string text;
  if (source.vt != VT_EMPTY) {
    char buffer[40];
    if (number->whole) {
      std::snprintf(buffer, sizeof buffer, "%lld",
                    static_cast<long long>(number->integer));
    } else {
      std::snprintf(buffer, sizeof buffer,
                    source.vt == VT_R4 ? "%.7G" : "%.15G", number->real);
    }
    text = buffer;
  }
  result.vt = VT_BSTR;
  result.bstrVal = BstrFromAscii(text);
  return result.bstrVal == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT Convert(const VARIANT& source, VARTYPE type, VARIANT& result) {
  if (source.vt == type) return CopyContent(source, result);
  if (type == VT_BSTR) return ToText(source, result);
  if (type == VT_I4) return ToLong(source, result);
  return E_NOTIMPL;
}

}  // namespace

void VariantInit(VARIANT* value) { value->vt = VT_EMPTY; }

HRESULT VariantClear(VARIANT* value) {
  if (!IsValidType(value->vt) || HoldsArray(*value)) return DISP_E_BADVARTYPE;
  if (value->vt == VT_BSTR) {
    SysFreeString(value->bstrVal);
  } else if (value->vt == VT_DISPATCH && value->pdispVal != nullptr) {
    value->pdispVal->Release();
  } else if (value->vt == VT_UNKNOWN && value->punkVal != nullptr) {
    value->punkVal->Release();
  }
  value->vt = VT_EMPTY;
  return S_OK;
}

HRESULT VariantCopy(VARIANT* destination, const VARIANT* source) {
  if (const auto code = sim::TheWorld().faults.Failure("VariantCopy")) {
    return *code;
  }
  if (destination == source) return S_OK;
  if (!IsValidType(source->vt) || HoldsArray(*source)) {
    return DISP_E_BADVARTYPE;
  }
  const HRESULT cleared = VariantClear(destination);
  if (FAILED(cleared)) return cleared;
  return CopyContent(*source, *destination);
}

// The destination is left as it was when the change fails; on success its
// old content is cleared, so the destination may be the source itself.
HRESULT VariantChangeType(VARIANT* destination, const VARIANT* source,
                          WORD flags, VARTYPE type) {
  if (const auto code = sim::TheWorld().faults.Failure("VariantChangeType")) {
    return *code;
  }
  if (!IsValidType(source->vt) || !IsValidType(type)) return DISP_E_BADVARTYPE;
  // The sim changes plain values only, and knows no formatting flags.
  if (((source->vt | type) & (VT_ARRAY | VT_BYREF)) != 0 || flags != 0) {
    return E_NOTIMPL;
  }
  VARIANT converted{};
  VariantInit(&converted);
  const HRESULT result = Convert(*source, type, converted);
  if (FAILED(result)) return result;
  const HRESULT cleared = VariantClear(destination);
  if (FAILED(cleared)) {
    VariantClear(&converted);
    return cleared;
  }
  *destination = converted;
  return S_OK;
}
