#pragma once

// The character structure of the system's ANSI code page, in which every
// narrow path is written. On Windows: IsDBCSLeadByte.

namespace platform {

// Whether `byte` opens a double-byte character in the ANSI code page (code
// pages such as 932, 936, 949 and 950), so that the byte after it belongs to
// the same character, whatever its value.
bool IsLeadByte(char byte);

}  // namespace platform
