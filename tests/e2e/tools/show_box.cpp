// show_box: a tiny stand-in for a program that shows a message box, used
// only to test box_watcher end to end under Wine.
//
// Usage:
//   show_box.exe [--window] [--owner=none|fg|window] <text> <title> <style>
//
//   <text>   message text; C-style escapes are decoded so that any byte can
//            be passed through a command line intact: \n \r \t \\ \xHH
//   <title>  box title, taken literally
//   <style>  MessageBoxA uType, decimal or 0x-hex (e.g. 0x10 = MB_ICONHAND)
//   --window        first create, show and foreground a window of our own,
//                   like a program that already has its main window up
//   --owner=none    pass NULL as hWnd (default)
//   --owner=fg      pass GetForegroundWindow() as hWnd
//   --owner=window  pass our own window as hWnd (implies --window)
//
// Prints one diagnostic line on stdout (what the foreground window was and
// which hWnd was passed) so that a test can tell why an owner did or did
// not appear, then exits with the MessageBoxA return value (IDOK = 1).
// Exit codes 100+ are our own usage errors, never a MessageBoxA result.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Returns false on a malformed escape so that a typo in a test fails loudly
// instead of showing a different text than the test expects.
bool unescape(const char* in, std::string& out) {
    for (const char* p = in; *p; ++p) {
        if (*p != '\\') {
            out += *p;
            continue;
        }
        ++p;
        switch (*p) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        case 'x': {
            int hi = hex_digit(p[1]);
            int lo = hi < 0 ? -1 : hex_digit(p[2]);
            if (hi < 0 || lo < 0) return false;
            out += static_cast<char>(hi * 16 + lo);
            p += 2;
            break;
        }
        default: return false;
        }
    }
    return true;
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND create_own_window() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "ShowBoxOwnWindow";
    if (!RegisterClassA(&wc)) return nullptr;
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "show_box window",
                                WS_OVERLAPPEDWINDOW, 100, 100, 400, 300,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd) return nullptr;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return hwnd;
}

// Lets the window manager settle (activation messages are queued) before
// the foreground state is sampled.
void pump_messages(DWORD ms) {
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

DWORD pid_of(HWND hwnd) {
    DWORD pid = 0;
    if (hwnd) GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

}  // namespace

int main(int argc, char** argv) {
    bool want_window = false;
    enum { kNone, kForeground, kWindow } owner_mode = kNone;
    int i = 1;
    for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
        if (std::strcmp(argv[i], "--window") == 0) {
            want_window = true;
        } else if (std::strcmp(argv[i], "--owner=none") == 0) {
            owner_mode = kNone;
        } else if (std::strcmp(argv[i], "--owner=fg") == 0) {
            owner_mode = kForeground;
        } else if (std::strcmp(argv[i], "--owner=window") == 0) {
            owner_mode = kWindow;
            want_window = true;
        } else {
            std::fprintf(stderr, "show_box: unknown option %s\n", argv[i]);
            return 100;
        }
    }
    if (argc - i != 3) {
        std::fprintf(stderr,
                     "usage: show_box [--window] [--owner=none|fg|window] "
                     "<text> <title> <style>\n");
        return 100;
    }
    std::string text;
    if (!unescape(argv[i], text)) {
        std::fprintf(stderr, "show_box: bad escape in text\n");
        return 101;
    }
    const char* title = argv[i + 1];
    char* end = nullptr;
    unsigned long style = std::strtoul(argv[i + 2], &end, 0);
    if (end == argv[i + 2] || *end) {
        std::fprintf(stderr, "show_box: bad style %s\n", argv[i + 2]);
        return 102;
    }

    HWND own = nullptr;
    HWND before = GetForegroundWindow();
    BOOL set_ok = FALSE;
    if (want_window) {
        own = create_own_window();
        if (!own) {
            std::fprintf(stderr, "show_box: cannot create window (%lu)\n",
                         GetLastError());
            return 103;
        }
        set_ok = SetForegroundWindow(own);
        pump_messages(200);
    }
    HWND fg = GetForegroundWindow();
    HWND owner = owner_mode == kForeground ? fg
               : owner_mode == kWindow     ? own
                                           : nullptr;
    std::printf("show_box: pid=%lu window=%p fg_before=%p(pid %lu) "
                "set_foreground=%d fg=%p(pid %lu) fg_is_own=%d owner_arg=%p\n",
                GetCurrentProcessId(), static_cast<void*>(own),
                static_cast<void*>(before), pid_of(before), set_ok ? 1 : 0,
                static_cast<void*>(fg), pid_of(fg), fg && fg == own ? 1 : 0,
                static_cast<void*>(owner));
    std::fflush(stdout);

    int result = MessageBoxA(owner, text.c_str(), title,
                             static_cast<UINT>(style));
    if (own) DestroyWindow(own);
    return result;
}
