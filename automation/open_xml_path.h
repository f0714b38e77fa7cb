#pragma once

#include <string_view>

// Whether `path` names an Office Open XML workbook or template (".xlsb",
// ".xlsm", ".xlsx", ".xltx", ".xltm", any ASCII case), judged by the extension
// of its last component only: a dot in a folder name does not count, and a
// drive designator is not part of the name. Such a workbook needs Excel 2007
// or later, which decides the message when Excel cannot be started at all.
bool IsOpenXmlWorkbookPath(std::string_view path);
