#pragma once

// The Excel double inside the simulated Windows of the host tests: the class
// behind "Excel.Application", whose objects live in the test process. Its
// journal holds the same entries as the Windows server's journal file, without
// the leading milliseconds field (see journal_entry.h).

#include <string>
#include <string_view>
#include <vector>

#include "platform/windows_ui.h"

namespace excel_double {

// Registers the double in sim::TheWorld() (ProgID and class; an earlier
// registration of the double is replaced) and starts it afresh: empty
// journal, no window, no objects, `settings` parsed as the settings file
// would be. Objects made by an earlier registration keep working against
// their own, now unreachable, state. Call after the world is reset.
void RegisterInSimWorld(std::string_view settings = {});

// The entries journalled since the last registration, oldest first; empty
// before any registration.
std::vector<std::string> JournalLines();

// Objects of the current registration that are still referenced.
int LiveObjects();

// The XLMAIN window, made in the world on the first creation of an object
// (on a thread other than the current one, below the other windows); 0
// before that, and with window=none.
platform::WindowHandle MainWindow();

}  // namespace excel_double
