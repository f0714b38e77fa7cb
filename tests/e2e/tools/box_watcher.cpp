// box_watcher: records and dismisses the message boxes that a program under
// test shows, so that end-to-end tests can run unattended under Wine and
// still check exactly what a user would have seen.
//
// Usage:
//   box_watcher.exe <journal> <stop-file> [title] [limit-seconds]
//
//   <journal>        file to write, truncated at start (so an empty journal
//                    proves the watcher ran). Under Wine pass a Windows path
//                    that maps to the Unix file, e.g. Z:\tmp\run\journal.txt
//                    (drive Z: is the Unix root in a default prefix).
//   <stop-file>      the watcher exits as soon as this file exists; the test
//                    driver creates it after the program under test exited.
//   [title]          only top-level dialogs (class "#32770") whose caption
//                    equals this are handled; default "Sheltra".
//   [limit-seconds]  hard limit, default 120; a forgotten stop file must not
//                    hang a test run.
//
// Every 50 ms the top-level windows are enumerated. Each new, visible,
// matching dialog gets one journal line, written with a single WriteFile and
// flushed before the box is dismissed, so a reader never waits on a box that
// is still open. The box is then dismissed by posting WM_COMMAND for IDOK
// (IDCANCEL, else the first button, when it has no OK button). Posting
// instead of BM_CLICK avoids depending on focus/capture of a window of
// another process. A box still open 2 s after that is pressed again.
// Dialogs with another caption are only reported on stdout (once each), so
// stray Wine dialogs are visible in a test log without polluting the journal.
//
// Journal format: one line per box, '\n'-terminated, fields separated by a
// tab, each field "key=value", always in this order:
//   seq         1, 2, ... in order of detection
//   ms          milliseconds since the watcher started
//   pid         process id owning the dialog
//   hwnd        dialog handle, 0x-hex
//   title       dialog caption
//   text        message text (the static control with id 0xFFFF, which both
//               Windows and Wine use for the text; else the first non-icon
//               static)
//   buttons     captions of the push buttons in child order, joined by '|'
//               (a '|' inside a caption is escaped, see below)
//   default     caption of the default push button (empty when none)
//   icon        none | hand | question | exclamation | asterisk | other
//               (hand = IDI_ERROR, exclamation = IDI_WARNING, asterisk =
//               IDI_INFORMATION). "none" when the icon static holds no icon.
//               A standard icon is recognised by handle when system icons are
//               shared between processes (Windows); Wine gives every process
//               its own handles, so there the pixels of the icon on screen
//               are compared with each standard icon drawn on the dialog
//               colour. "other" = an icon is shown but matches none of them
//               (custom icon, box covered by another window, unusual theme).
//   owner       GetWindow(dlg, GW_OWNER), 0x-hex, 0x0 when none
//   owner_pid   process id owning the owner window, 0 when none
//   owner_title caption of the owner window
//   foreground  yes when the dialog is the foreground window when recorded
//   style       GWL_STYLE of the dialog, 0x-hex
//   exstyle     GWL_EXSTYLE of the dialog, 0x-hex (WS_EX_TOPMOST = 0x8)
//   pressed     id of the button the watcher then pressed (IDOK = 1)
// Escaping, so every byte of a text can be recovered exactly: in values,
// '\' is written as \\, tab as \t, LF as \n, CR as \r, and '|', every other
// byte below 0x20, 0x7F and every byte >= 0x80 as \xHH (two lower-case hex
// digits). The journal is therefore plain ASCII; decoding the escapes gives
// the bytes in the ANSI code page of the prefix (texts are read with the
// "A" functions, like the program under test shows them). bash's
// printf '%b' decodes this escaping exactly.
//
// stdout: one line per event for the test log, and finally
//   "box_watcher: N box(es) seen (stop file|time limit)".
// Exit code: 0 stopped by the stop file, 2 time limit reached, 1 usage or
// journal error.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const DWORD kPollMs = 50;
const DWORD kRepressMs = 2000;
const UINT kMsgTimeoutMs = 2000;
const int kTextControlId = 0xFFFF;

std::string escape(const std::string& in) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : in) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default:
            if (c < 0x20 || c >= 0x7F || c == '|') {
                out += "\\x";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

std::string hex(ULONG_PTR v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(v));
    return buf;
}

std::string class_of(HWND hwnd) {
    char buf[256] = {};
    GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

// WM_GETTEXT is sent rather than calling GetWindowTextA: for a control of
// another process GetWindowText does not ask the control, it only returns a
// caption, which is not guaranteed to be what a static control displays.
std::string text_of(HWND hwnd) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG,
                             kMsgTimeoutMs, &len)) {
        return std::string();
    }
    // The "A" length may be an overestimate, never an underestimate, but
    // leave room for multi-byte code pages anyway.
    std::vector<char> buf(len * 2 + 2, '\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, buf.size(),
                             reinterpret_cast<LPARAM>(buf.data()),
                             SMTO_ABORTIFHUNG, kMsgTimeoutMs, &got)) {
        return std::string();
    }
    if (got > buf.size() - 1) got = buf.size() - 1;
    return std::string(buf.data(), got);
}

DWORD pid_of(HWND hwnd) {
    DWORD pid = 0;
    if (hwnd) GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

struct Control {
    HWND hwnd;
    int id;
    std::string cls;
    LONG style;
};

BOOL CALLBACK collect_child(HWND hwnd, LPARAM lp) {
    auto* out = reinterpret_cast<std::vector<Control>*>(lp);
    Control c;
    c.hwnd = hwnd;
    c.id = GetDlgCtrlID(hwnd);
    c.cls = class_of(hwnd);
    c.style = GetWindowLongA(hwnd, GWL_STYLE);
    out->push_back(c);
    return TRUE;
}

bool is_icon_static(const Control& c) {
    return lstrcmpiA(c.cls.c_str(), "Static") == 0 &&
           (c.style & SS_TYPEMASK) == SS_ICON;
}

bool is_push_button(const Control& c) {
    if (lstrcmpiA(c.cls.c_str(), "Button") != 0) return false;
    LONG type = c.style & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

// 32-bit top-down DIB so pixels can be compared directly.
struct Pixels {
    HDC dc = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ old = nullptr;
    DWORD* bits = nullptr;
    int w = 0, h = 0;

    Pixels() = default;
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;

    bool create(int width, int height) {
        w = width;
        h = height;
        dc = CreateCompatibleDC(nullptr);
        if (!dc) return false;
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* p = nullptr;
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        if (!bmp) return false;
        bits = static_cast<DWORD*>(p);
        old = SelectObject(dc, bmp);
        return true;
    }
    ~Pixels() {
        if (old) SelectObject(dc, old);
        if (bmp) DeleteObject(bmp);
        if (dc) DeleteDC(dc);
    }
    bool same_as(const Pixels& o) const {
        GdiFlush();
        for (int i = 0; i < w * h; ++i) {
            if ((bits[i] & 0xFFFFFF) != (o.bits[i] & 0xFFFFFF)) return false;
        }
        return true;
    }
};

struct StdIcon {
    const char* name;
    LPCSTR id;
};

const StdIcon kStdIcons[] = {
    {"hand", IDI_HAND},
    {"question", IDI_QUESTION},
    {"exclamation", IDI_EXCLAMATION},
    {"asterisk", IDI_ASTERISK},
};

std::string classify_icon(HWND icon_static) {
    DWORD_PTR icon = 0;
    if (!icon_static ||
        !SendMessageTimeoutA(icon_static, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG,
                             kMsgTimeoutMs, &icon) ||
        !icon) {
        return "none";
    }
    for (const StdIcon& s : kStdIcons) {
        if (reinterpret_cast<HICON>(icon) == LoadIconA(nullptr, s.id)) {
            return s.name;
        }
    }
    RECT r;
    if (!GetWindowRect(icon_static, &r)) return "other";
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0 || w > 256 || h > 256) return "other";

    // What each standard icon looks like on the dialog background, drawn
    // the way the icon static draws it (native size, top-left aligned).
    const size_t kCount = sizeof kStdIcons / sizeof kStdIcons[0];
    Pixels refs[kCount];
    for (size_t i = 0; i < kCount; ++i) {
        if (!refs[i].create(w, h)) return "other";
        RECT all = {0, 0, w, h};
        FillRect(refs[i].dc, &all, GetSysColorBrush(COLOR_3DFACE));
        DrawIconEx(refs[i].dc, 0, 0, LoadIconA(nullptr, kStdIcons[i].id), 0,
                   0, 0, nullptr, DI_NORMAL);
    }
    // The box may not be painted yet right after it became visible.
    for (int attempt = 0; attempt < 20; ++attempt) {
        Pixels screen;
        if (!screen.create(w, h)) return "other";
        HDC sdc = GetDC(nullptr);
        BitBlt(screen.dc, 0, 0, w, h, sdc, r.left, r.top, SRCCOPY);
        ReleaseDC(nullptr, sdc);
        for (size_t i = 0; i < kCount; ++i) {
            if (screen.same_as(refs[i])) return kStdIcons[i].name;
        }
        Sleep(50);
    }
    return "other";
}

struct Seen {
    HWND hwnd;
    int button;
    DWORD pressed_at;
};

struct TopLevelScan {
    std::vector<HWND> dialogs;
};

BOOL CALLBACK collect_dialog(HWND hwnd, LPARAM lp) {
    auto* scan = reinterpret_cast<TopLevelScan*>(lp);
    if (class_of(hwnd) == "#32770") scan->dialogs.push_back(hwnd);
    return TRUE;
}

void press(HWND dlg, int button) {
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, button)));
}

class Journal {
public:
    Journal() = default;
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    bool open(const char* path) {
        file_ = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        return file_ != INVALID_HANDLE_VALUE;
    }
    // One WriteFile per line, flushed at once: a reader that takes only
    // '\n'-terminated lines never acts on half a box.
    bool write_line(const std::string& line) {
        std::string data = line + "\n";
        DWORD written = 0;
        BOOL ok = WriteFile(file_, data.data(), static_cast<DWORD>(data.size()),
                            &written, nullptr);
        FlushFileBuffers(file_);
        return ok && written == data.size();
    }
    ~Journal() {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

bool file_exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Records one box; returns the id of the button to press.
int record(Journal& journal, HWND dlg, int seq, DWORD elapsed,
           const std::string& title) {
    std::vector<Control> controls;
    EnumChildWindows(dlg, collect_child, reinterpret_cast<LPARAM>(&controls));

    HWND text_ctl = nullptr, icon_ctl = nullptr;
    std::string buttons, def;
    int ok_id = 0, cancel_id = 0, first_id = 0;
    for (const Control& c : controls) {
        // EnumChildWindows also walks grandchildren; only direct children
        // make up the box's own layout.
        if (GetParent(c.hwnd) != dlg) continue;
        if (is_icon_static(c)) {
            if (!icon_ctl) icon_ctl = c.hwnd;
        } else if (lstrcmpiA(c.cls.c_str(), "Static") == 0) {
            // The well-known id wins over any earlier static.
            if (c.id == kTextControlId || !text_ctl) text_ctl = c.hwnd;
        } else if (is_push_button(c)) {
            std::string caption = text_of(c.hwnd);
            if (!buttons.empty()) buttons += "|";
            buttons += escape(caption);
            if ((c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) def = caption;
            if (c.id == IDOK) ok_id = IDOK;
            if (c.id == IDCANCEL) cancel_id = IDCANCEL;
            if (!first_id) first_id = c.id;
        }
    }
    int button = ok_id ? ok_id : cancel_id ? cancel_id : first_id;

    HWND owner = GetWindow(dlg, GW_OWNER);
    char owner_title[512] = {};
    if (owner) GetWindowTextA(owner, owner_title, sizeof owner_title);

    std::string line;
    line += "seq=" + std::to_string(seq);
    line += "\tms=" + std::to_string(elapsed);
    line += "\tpid=" + std::to_string(pid_of(dlg));
    line += "\thwnd=" + hex(reinterpret_cast<ULONG_PTR>(dlg));
    line += "\ttitle=" + escape(title);
    line += "\ttext=" + escape(text_ctl ? text_of(text_ctl) : std::string());
    line += "\tbuttons=" + buttons;
    line += "\tdefault=" + escape(def);
    line += "\ticon=" + classify_icon(icon_ctl);
    line += "\towner=" + hex(reinterpret_cast<ULONG_PTR>(owner));
    line += "\towner_pid=" + std::to_string(pid_of(owner));
    line += "\towner_title=" + escape(owner_title);
    line += "\tforeground=";
    line += GetForegroundWindow() == dlg ? "yes" : "no";
    line += "\tstyle=" + hex(static_cast<DWORD>(GetWindowLongA(dlg, GWL_STYLE)));
    line += "\texstyle=" +
            hex(static_cast<DWORD>(GetWindowLongA(dlg, GWL_EXSTYLE)));
    line += "\tpressed=" + std::to_string(button);
    if (!journal.write_line(line)) {
        std::printf("box_watcher: cannot write journal (%lu)\n", GetLastError());
    }
    std::printf("box_watcher: box %d: %s\n", seq, line.c_str());
    std::fflush(stdout);
    return button;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr,
                     "usage: box_watcher <journal> <stop-file> [title] "
                     "[limit-seconds]\n");
        return 1;
    }
    const char* journal_path = argv[1];
    const char* stop_path = argv[2];
    std::string title = argc > 3 ? argv[3] : "Sheltra";
    unsigned long limit_s = 120;
    if (argc > 4) {
        char* end = nullptr;
        limit_s = std::strtoul(argv[4], &end, 10);
        if (end == argv[4] || *end || limit_s == 0) {
            std::fprintf(stderr, "box_watcher: bad limit %s\n", argv[4]);
            return 1;
        }
    }

    Journal journal;
    if (!journal.open(journal_path)) {
        std::fprintf(stderr, "box_watcher: cannot create journal %s (%lu)\n",
                     journal_path, GetLastError());
        return 1;
    }
    std::printf("box_watcher: watching for \"%s\", limit %lu s\n",
                title.c_str(), limit_s);
    std::fflush(stdout);

    const DWORD start = GetTickCount();
    std::vector<Seen> seen;
    std::vector<HWND> ignored;
    int count = 0;
    bool stopped = false;
    for (;;) {
        if (file_exists(stop_path)) {
            stopped = true;
            break;
        }
        DWORD now = GetTickCount();
        if (now - start >= limit_s * 1000UL) break;

        // Forget closed boxes: a later box could get a recycled handle.
        for (size_t i = 0; i < seen.size();) {
            if (!IsWindow(seen[i].hwnd)) {
                seen.erase(seen.begin() + i);
            } else {
                if (now - seen[i].pressed_at >= kRepressMs) {
                    std::printf("box_watcher: box %s still open, pressing %d "
                                "again\n",
                                hex(reinterpret_cast<ULONG_PTR>(seen[i].hwnd))
                                    .c_str(),
                                seen[i].button);
                    std::fflush(stdout);
                    press(seen[i].hwnd, seen[i].button);
                    seen[i].pressed_at = now;
                }
                ++i;
            }
        }
        for (size_t i = 0; i < ignored.size();) {
            if (!IsWindow(ignored[i])) {
                ignored.erase(ignored.begin() + i);
            } else {
                ++i;
            }
        }

        TopLevelScan scan;
        EnumWindows(collect_dialog, reinterpret_cast<LPARAM>(&scan));
        for (HWND dlg : scan.dialogs) {
            bool known = false;
            for (const Seen& s : seen) known = known || s.hwnd == dlg;
            for (HWND h : ignored) known = known || h == dlg;
            // Texts are filled in during WM_INITDIALOG, before the box is
            // shown; a hidden box may still be half initialised.
            if (known || !IsWindowVisible(dlg)) continue;
            char caption[512] = {};
            GetWindowTextA(dlg, caption, sizeof caption);
            if (title != caption) {
                std::printf("box_watcher: ignoring dialog \"%s\" of pid %lu\n",
                            escape(caption).c_str(), pid_of(dlg));
                std::fflush(stdout);
                ignored.push_back(dlg);
                continue;
            }
            ++count;
            int button = record(journal, dlg, count, GetTickCount() - start,
                                caption);
            if (button) press(dlg, button);
            seen.push_back(Seen{dlg, button, GetTickCount()});
        }
        Sleep(kPollMs);
    }
    std::printf("box_watcher: %d box(es) seen (%s)\n", count,
                stopped ? "stop file" : "time limit");
    std::fflush(stdout);
    return stopped ? 0 : 2;
}
