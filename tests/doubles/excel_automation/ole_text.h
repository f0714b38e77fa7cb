#pragma once

// Text as the double meets it: OLE text (UTF-16 code units, BSTRs and the
// names a client asks for) on the automation side, UTF-8 in the settings and
// the journal.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/com_types.h"

namespace excel_double {

using OleString = std::basic_string<OLECHAR>;

// UTF-8 of `length` UTF-16 code units; a lone surrogate becomes U+FFFD.
std::string Utf8FromOle(const OLECHAR* text, std::size_t length);
// UTF-8 of a BSTR, embedded zero characters included; a null BSTR is empty.
std::string Utf8FromBstr(BSTR text);
// UTF-8 of a zero-terminated name; nullptr gives empty text.
std::string Utf8FromName(const OLECHAR* name);
// UTF-16 of UTF-8 text; a malformed sequence becomes U+FFFD.
OleString OleFromUtf8(std::string_view text);

// Makes `text` safe for one tab-separated journal field: control characters
// (tab and line ends among them) become \xNN. Backslashes stay as they are,
// so Windows paths read as they were passed.
std::string EscapeForJournal(std::string_view text);

}  // namespace excel_double
