#pragma once

// IDispatch results and Excel error codes the double answers with that the
// simulated Windows' header does not declare. On Windows they equal the
// system's DISP_E_* values.

#include "platform/com_types.h"

namespace excel_double {

// DISP_E_UNKNOWNINTERFACE: the reserved interface id was not IID_NULL.
inline constexpr HRESULT kUnknownInterface = static_cast<HRESULT>(0x80020001);
// DISP_E_PARAMNOTFOUND: a property put without exactly the one named
// argument DISPID_PROPERTYPUT.
inline constexpr HRESULT kParameterNotFound = static_cast<HRESULT>(0x80020004);
// DISP_E_NONAMEDARGS: named arguments to a get or a method.
inline constexpr HRESULT kNoNamedArguments = static_cast<HRESULT>(0x80020007);
// DISP_E_BADINDEX: there is no type information to give.
inline constexpr HRESULT kBadIndex = static_cast<HRESULT>(0x8002000B);

// The code in EXCEPINFO of a call Excel refuses (its run-time error 1004).
inline constexpr SCODE kExcelCallRefused = static_cast<SCODE>(0x800A03EC);
// The VT_ERROR value #VALUE! (Excel's error number 2015).
inline constexpr SCODE kExcelValueError = static_cast<SCODE>(0x800A07DF);

}  // namespace excel_double
