#pragma once

// The double's share of Excel's object model, with the types real Excel uses:
//
//   Application  Workbooks       get     -> VT_DISPATCH, a new Workbooks
//                Version         get     -> VT_BSTR (VT_ERROR: Version=#ERROR)
//                Run             method  macro name (VT_BSTR), then up to 30
//                                        arguments of any type -> VT_EMPTY
//                Visible         put     VT_BOOL; shows or hides XLMAIN
//                Activate        method  no arguments; changes nothing
//                HWND            get     -> VT_I4, the XLMAIN handle (0 when
//                                        there is none; hwnd=<n> overrides)
//                ScreenUpdating  put     VT_BOOL
//   Workbooks    Open            method  file name (VT_BSTR), then up to 14
//                                        optional arguments -> VT_DISPATCH,
//                                        a new Workbook; journals whether
//                                        XLMAIN is in front first
//   Workbook     Name, FullName  get     -> VT_BSTR: the file name's last
//                                        component, the whole file name
//
// Arguments of another type than named fail with DISP_E_TYPEMISMATCH: a
// strict Excel, so a careless client shows. Activate leaves the window where
// it is, so only the client can have brought it to the front.

#include <memory>

#include "platform/com_types.h"
#include "tests/doubles/excel_automation/double_server.h"

namespace excel_double {

// CoCreateInstance's share for the double's class: a new Application object
// of `server`, as the interface `iid` with one reference in `*object`.
// E_NOINTERFACE (and *object null) for any interface but IUnknown and
// IDispatch; the told creation failure, if any.
HRESULT CreateApplication(const std::shared_ptr<DoubleServer>& server,
                          REFIID iid, void** object);

}  // namespace excel_double
