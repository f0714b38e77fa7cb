#pragma once

// Standard output and error carry the bytes a tool writes as they are. On
// Windows the C runtime would make every "\n" a "\r\n", and a report would
// differ, byte for byte, from the same tool's on Linux. Called first thing.
void WriteConsoleOutputAsIs();
