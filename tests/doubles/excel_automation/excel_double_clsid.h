#pragma once

// The class id of the Excel double, registered behind the ProgID
// "Excel.Application" in place of Excel's own. tests/e2e/
// excel_double_registry.py writes the same id into a Wine prefix.

#include "platform/com_types.h"

namespace excel_double {

inline constexpr char kExcelDoubleClsidText[] =
    "{6D1B3F0A-52C4-4E7B-9A8D-3C2E1F4B7A95}";
inline constexpr CLSID kExcelDoubleClsid = {
    0x6D1B3F0A,
    0x52C4,
    0x4E7B,
    {0x9A, 0x8D, 0x3C, 0x2E, 0x1F, 0x4B, 0x7A, 0x95}};

inline constexpr OLECHAR kExcelProgId[] = OLESTR("Excel.Application");

}  // namespace excel_double
