#include <windows.h>

#include "launcher/launcher_entry.h"

// The GUI entry point. The launcher has no window, takes no command line and
// ignores the show state: everything it does is set by its resources.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return LauncherEntry(); }
