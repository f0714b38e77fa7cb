"""Running Windows programs of a build tree in the test prefix: paths in
and out of the prefix, the registry edits a case makes, what Windows reports
of a file, and the box watcher's journal."""
import os
import pwd
import shutil
import struct
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path
from typing import Optional

from program_run import ProgramRun, now_ms

LAUNCH_LIMIT_SECONDS = 90
START_LIMIT_SECONDS = 60
USER = pwd.getpwuid(os.getuid()).pw_name
LOCAL_APP_DATA = rf"C:\users\{USER}\AppData\Local"
PRODUCT_FOLDER = LOCAL_APP_DATA + r"\Quorvane"
RUNTIME_NAME = r"\SheltraRuntime.dll"
RUNTIME_PATH = PRODUCT_FOLDER + RUNTIME_NAME
RUNTIME_JOURNAL = PRODUCT_FOLDER + r"\SheltraRuntime.journal"
# What the support module double (SheltraSupport.dll, or a copy of it under
# another name) journals beside itself when a process loads it.
SUPPORT_NAME = "SheltraSupport.dll"
SUPPORT_JOURNAL_NAME = "SheltraSupport.journal"
# What the staging prober journals in the case's work folder.
STAGING_PROBES_NAME = "staging_probes.txt"
# What the scanner journals there (see tools/scanner.cpp).
SCANNER_JOURNAL_NAME = "scanner_journal.txt"
# What the kill tool journals there, and the exit code it gives the start it
# ends, which no start of the launcher exits with by itself.
KILL_JOURNAL_NAME = "kill_journal.txt"
# The message prober's journal, in the case's work folder.
MESSAGE_SENDS_NAME = "message_sends.txt"
KILLED_EXIT_CODE = 75
# The mutex a start holds from its runtime installation to the end of its
# splash wait (launcher/start_guard.h) is named this, "." and the user's
# security identifier; kill_when adds the identifier of the user it runs as.
START_GUARD = r"Local\SheltraLauncherStart"
# What Wine 8 sets TEMP to in a new prefix (%USERPROFILE%\Temp).
TEMP_FOLDER = rf"C:\users\{USER}\Temp"
ARCHIVE_ATTRIBUTE = 0x20
# 100-nanosecond ticks from 1601 to 1970.
UNIX_EPOCH_TICKS = 116444736000000000



def wine_loader() -> str:
    """The Wine loader of the edition under test: its build tree sets WINE
    for the tests, and the tests only, so that listing the cases needs none."""
    return os.environ["WINE"]

def run_captured(command, cwd, output):
    """Runs `command` in `cwd`; its exit status, standard output and error
    output, kept beside `output` (.out, .err)."""
    out, err = output.with_suffix(".out"), output.with_suffix(".err")
    status = ProgramRun(command, out, err, cwd=cwd).wait(START_LIMIT_SECONDS)
    return status, out.read_bytes(), err.read_bytes()


def exit_status(failures):
    """Prints each failure of a check script; its exit status."""
    for failure in failures:
        print(f"FAIL {failure}", file=sys.stderr)
    return 1 if failures else 0


@dataclass
class StartTimes:
    """When one start of a launcher began and was seen to end (wall clock,
    ms), and its exit code; end and code stay None while it runs or when it
    did not end within its limit."""
    begin_ms: float
    end_ms: Optional[float] = None
    exit_code: Optional[int] = None

    def seconds(self):
        return None if self.end_ms is None else (self.end_ms -
                                                 self.begin_ms) / 1000


def workbook_path_failed(path):
    return (f"File '{path}' can not be created.\n"
            "Please, check that another instance of this application is "
            "not running")


class Run:
    """The starts of a launcher in the prefix that make one case, with their
    tools."""

    def __init__(self, build, work):
        self.build, self.work = build, work
        self.prefix = Path(os.environ["WINEPREFIX"])
        self.failures = []
        # Figures a case tells besides its verdict, such as how long a start
        # waited for another.
        self.notes = []
        # The phase a killed start was found in when it was not the one the
        # case meant to kill it in: a kill that came too late on a busy
        # machine, which the case may try again.
        self.missed_phase = None
        self.registry = RegistryEdit()
        # Every start of the case, in the order they began.
        self.starts = []
        # Wall-clock time at which the last launcher was seen to exit.
        self.launcher_ended_ms = None

    def tool(self, name):
        return self.build / "tests" / "e2e" / f"{name}.exe"

    def runtime_double(self, variant):
        """The runtime module double built as `variant`: 28, 29 or the name
        of a variant such as "29_large" (see its CMakeLists.txt)."""
        return (self.build / "tests" / "doubles" / "runtime_module" /
                f"v{variant}" / "SheltraRuntime.dll")

    def support_double(self):
        return (self.build / "tests" / "doubles" / "runtime_module" /
                "support" / SUPPORT_NAME)

    def excel_double(self):
        return (self.build / "tests" / "doubles" / "excel_automation" /
                "ExcelDouble.exe")

    def runtime_journal(self):
        """The records the runtime module double wrote beside itself, each a
        dict of its key=value fields."""
        return key_value_records(self.in_prefix(RUNTIME_JOURNAL))

    def support_loads(self, folder):
        """The records the copies of the support module double in `folder`
        wrote when a process loaded them: module and process paths."""
        return key_value_records(
            self.in_prefix(folder + "\\" + SUPPORT_JOURNAL_NAME))

    def staging_probes(self):
        """The staging prober's records: file, attempt, result, error."""
        return key_value_records(self.work / STAGING_PROBES_NAME)

    def message_sends(self):
        """The message prober's records: answered, took, time."""
        return key_value_records(self.work / MESSAGE_SENDS_NAME)

    def scans(self):
        """The scanner's records: file, appeared, opened, closed, tries,
        error."""
        return key_value_records(self.work / SCANNER_JOURNAL_NAME)

    def kill_records(self):
        """The kill tool's records (see tools/kill_when.cpp)."""
        return key_value_records(self.work / KILL_JOURNAL_NAME)

    def digest(self, path):
        """The size and FNV-1a (64-bit) of the file at the Unix `path`, as
        the runtime module double journals its own. Hashing 40 MiB in Python
        takes seconds, so the figures are kept beside the file for as long
        as it is unchanged."""
        stat = path.stat()
        stamp = f"{stat.st_size} {stat.st_mtime_ns}"
        memo = path.with_name(path.name + ".fnv1a64")
        if memo.exists():
            kept_stamp, _, kept_hash = memo.read_text().rpartition(" ")
            if kept_stamp == stamp:
                return stat.st_size, kept_hash
        value = fnv1a64(path.read_bytes())
        memo.write_text(f"{stamp} {value}")
        return stat.st_size, value

    def in_prefix(self, windows_path):
        drive, rest = windows_path.split(":", 1)
        assert drive.upper() == "C", windows_path
        return Path(self.prefix, "drive_c",
                    *[part for part in rest.split("\\") if part])

    def put(self, windows_path, source):
        target = self.in_prefix(windows_path)
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, target)

    def put_text(self, windows_path, text):
        target = self.in_prefix(windows_path)
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_text(text)

    def wine(self, *arguments, log_name, **options):
        """Starts a Windows program, its output in the work folder's
        `log_name`; a start Wine failed to make, and made again, is noted."""
        def note_restart(program):
            self.notes.append(f"Wine failed to start {program.command[1]} "
                              f"(attempt {program.attempts}); started again")
        return ProgramRun([wine_loader(), *arguments], self.work / log_name,
                          on_restart=note_restart, **options)

    def run_to_end(self, *arguments, log_name, limit=START_LIMIT_SECONDS,
                   **options):
        """Runs a Windows program that prints on every run to its end; its
        exit code and output."""
        program = self.wine(*arguments, log_name=log_name, prints_always=True,
                            **options)
        return program.wait(limit), program.output()

    def locale_environment(self, locale):
        """The environment of a program started under the Unix locale
        `locale` (such as "ja_JP.UTF-8"). The locale is compiled into the
        build tree once, leaving the system's locales alone."""
        folder = self.build / "tests" / "e2e" / "locales"
        if not (folder / locale).exists():
            language, charset = locale.split(".")
            folder.mkdir(parents=True, exist_ok=True)
            subprocess.run(["localedef", "-i", language, "-f", charset,
                            folder / locale], check=True)
        return {**os.environ, "LOCPATH": str(folder), "LC_ALL": locale}

    def file_facts(self, windows_path, current_folder=None):
        """What Windows reports of a path: None when missing, else a dict of
        attributes and the three file times. A relative path is taken from
        `current_folder` (a folder of the prefix) when one is given."""
        cwd = self.in_prefix(current_folder) if current_folder else None
        _, out = self.run_to_end(self.tool("file_facts"), windows_path,
                                 log_name="file_facts.txt", cwd=cwd)
        fields = out.strip().split("\t")
        if fields[1:] == ["missing"]:
            return None
        facts = dict(item.split("=", 1) for item in fields[1:] if "=" in item)
        if set(facts) != {"attributes", "creation", "access", "modification"}:
            raise RuntimeError(f"file_facts told of {windows_path}: {out!r}")
        return {key: int(value, 0) for key, value in facts.items()}

    def excel_creation_failure(self):
        """What this Wine answers when "Excel.Application" is created as a
        local server, as the launcher creates it: None on success, else the
        failing HRESULT of CLSIDFromProgID or CoCreateInstance. Asked of the
        automation probe, since 32-bit and 64-bit Wine answer some failures
        differently."""
        _, out = self.run_to_end(self.tool("automation_probe"),
                                 r"C:\probe.xlsx", "Macro", "argument",
                                 log_name="creation_probe.txt")
        for line in out.splitlines():
            step, _, rest = line.partition("\t")
            if step in ("CLSIDFromProgID", "CoCreateInstance"):
                result = int(rest.split("\t")[0].removeprefix("hr="), 16)
                if result & 0x80000000:
                    return result
        return None

    def reg(self, *arguments):
        """Runs Wine's reg tool; returns its exit code and output."""
        return self.run_to_end("reg", *arguments, log_name="reg.txt")

    def apply_registry(self):
        """Writes the gathered registry changes with one `reg import`."""
        path = self.work / "arrange.reg"
        path.write_text(self.registry.text(), encoding="utf-16")
        code, out = self.reg("import", windows_path(path))
        if code != 0:
            raise RuntimeError(f"reg import {path} failed: {out.strip()}")

    def registry_keys(self, key):
        """The keys at and under `key`, in lower case; empty when `key` is
        missing."""
        code, out = self.reg("query", key, "/s")
        if code != 0:
            return set()
        # Wine prints the queried key itself only when it holds values.
        return {key.lower()} | {line.strip().lower() for line in
                                out.splitlines() if line.startswith("HKEY_")}

    def expect(self, condition, failure):
        if not condition:
            self.failures.append(failure)


def key_value_records(path):
    """The lines of a journal of tab-separated key=value fields, each as a
    dict; empty when there is no journal."""
    if not path.exists():
        return []
    return key_value_lines(path.read_text(encoding="ascii"))


def key_value_lines(text):
    """Each line of `text`, tab-separated key=value fields, as a dict."""
    return [dict(field.split("=", 1) for field in line.split("\t"))
            for line in text.splitlines()]


def fnv1a64(data):
    value = 0xcbf29ce484222325
    for byte in data:
        value = ((value ^ byte) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return f"{value:016x}"


def windows_path(unix_path):
    return "Z:" + str(Path(unix_path).resolve()).replace("/", "\\")


HKCU, HKLM = "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"
HKCR = "HKEY_CLASSES_ROOT"
ADDIN_KEY = r"Software\Microsoft\Office\Excel\AddIns\SheltraRuntime.Connect"
PROGID_KEY = HKCR + r"\SheltraRuntime.Connect"
CLASS_ID = "{5B0E2C71-3F4A-4D86-9E13-7A2C4F6B8D05}"
CLSID_KEY = HKCR + r"\CLSID" + "\\" + CLASS_ID
# The prefix has no Office of its own, so everything under these keys was
# left by a case; all cases share the prefix, so each starts without them.
# HKCU\Excel is where Excel's keys would be taken from by a launcher that
# used an empty Office key.
# The machine's keys as 32-bit programs on 64-bit Windows see them; in a
# 32-bit prefix, a key of that name that nothing reads.
HKLM_32_BIT_VIEW = HKLM + r"\Software\Wow6432Node"
CLSID_KEY_32_BIT_VIEW = HKLM_32_BIT_VIEW + r"\Classes\CLSID" + "\\" + CLASS_ID
CASE_KEYS = [HKCU + r"\Software\Microsoft\Office",
             HKLM + r"\Software\Microsoft\Office", HKCU + r"\Excel",
             PROGID_KEY, CLSID_KEY, HKLM_32_BIT_VIEW + r"\Microsoft\Office",
             CLSID_KEY_32_BIT_VIEW]
# Where the shell finds the folders the launcher installs into. A case may
# point them at a drive the prefix lacks; every case starts with Wine's own
# values (the shell rewrites the "Shell Folders" cache as it resolves them).
EXPLORER_KEY = HKCU + r"\Software\Microsoft\Windows\CurrentVersion\Explorer"
USER_SHELL_FOLDERS_KEY = EXPLORER_KEY + r"\User Shell Folders"
WINDOWS_KEY = HKLM + r"\Software\Microsoft\Windows\CurrentVersion"
PROGRAM_FILES = r"C:\Program Files"


class Expandable(str):
    """A registry text of type REG_EXPAND_SZ."""


SHELL_FOLDER_DEFAULTS = {
    USER_SHELL_FOLDERS_KEY: {
        "Local AppData": Expandable(r"%USERPROFILE%\AppData\Local")},
    EXPLORER_KEY + r"\Shell Folders": {"Local AppData": LOCAL_APP_DATA},
    WINDOWS_KEY: {"ProgramFilesDir": PROGRAM_FILES},
}


def office_key(root, generation):
    return rf"{root}\SOFTWARE\Microsoft\Office\{generation}.0"


class RegistryEdit:
    """Registry changes gathered into one .reg file for a single import:
    under Wine every start of `reg` costs about half a second. Starts with
    the removal of CASE_KEYS and Wine's own shell folders, so that a case
    sees only its own changes."""

    def __init__(self):
        self.lines = ["Windows Registry Editor Version 5.00", ""]
        for key in CASE_KEYS:
            self.lines += [f"[-{key}]", ""]
        for key, values in SHELL_FOLDER_DEFAULTS.items():
            self.add(key, values)

    def remove(self, key):
        """Deletes `key` and everything under it."""
        self.lines += [f"[-{key}]", ""]

    def add(self, key, values=None):
        """Creates `key` with `values`: name to int (DWORD), str (string) or
        Expandable; the name "" is the default value."""
        def quoted(text):
            return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'
        self.lines.append(f"[{key}]")
        for name, data in (values or {}).items():
            name = quoted(name) if name else "@"
            if isinstance(data, int):
                self.lines.append(f"{name}=dword:{data:08x}")
            elif isinstance(data, Expandable):
                utf16 = (data + "\0").encode("utf-16-le")
                self.lines.append(f"{name}=hex(2):" +
                                  ",".join(f"{b:02x}" for b in utf16))
            else:
                self.lines.append(f"{name}={quoted(data)}")
        self.lines.append("")

    def text(self):
        return "\r\n".join(self.lines) + "\r\n"


def unescape(value):
    """Decodes the watcher's journal escaping back to the exact bytes."""
    out = bytearray()
    i = 0
    simple = {"\\": b"\\", "t": b"\t", "n": b"\n", "r": b"\r"}
    while i < len(value):
        if value[i] == "\\":
            code = value[i + 1]
            if code == "x":
                out.append(int(value[i + 2:i + 4], 16))
                i += 4
                continue
            out += simple[code]
            i += 2
        else:
            out += value[i].encode("ascii")
            i += 1
    return out.decode("cp1252")


def read_journal(path):
    boxes = []
    for line in path.read_text(encoding="ascii").splitlines():
        fields = dict(field.split("=", 1) for field in line.split("\t"))
        boxes.append({key: unescape(value) for key, value in fields.items()})
    return boxes


def wait_for(predicate, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.1)
    return predicate()


def ut_times(archive):
    """The modification and access times of the archive's first entry, from
    its local "UT" block, as file-time ticks."""
    with open(archive, "rb") as stream:
        header = stream.read(30)
        name_length, extra_length = struct.unpack("<HH", header[26:30])
        stream.seek(30 + name_length)
        extra = stream.read(extra_length)
    while len(extra) >= 4:
        block_id, size = struct.unpack("<HH", extra[:4])
        data = extra[4:4 + size]
        if block_id == 0x5455 and data:
            flags, rest, times = data[0], data[1:], {}
            for bit, name in enumerate(("modification", "access", "creation")):
                if flags & (1 << bit) and len(rest) >= 4:
                    unix_time = struct.unpack("<i", rest[:4])[0]
                    times[name] = unix_time * 10_000_000 + UNIX_EPOCH_TICKS
                    rest = rest[4:]
            return times
        extra = extra[4 + size:]
    return {}


# --- the cases -------------------------------------------------------------

REGISTERED_FOLDER = r"C:\Registered"
OFFICE_FOLDER = r"C:\Program Files\Microsoft Office"
# Where a case installs the Excel automation double, registered as Excel.
EXCEL_FOLDER = r"C:\ExcelDouble"
# The help files the cases' launchers write into the temporary folder.
HELP_FILE = TEMP_FOLDER + r"\Guide.chm"
KATAKANA_HELP_FILE = TEMP_FOLDER + "\\ソフト.chm"
# The loader add-in of a start without a local application data folder.
TEMP_ADDIN = TEMP_FOLDER + r"\shLdr.xlam"
# Help-file names outside the ASCII range: one the authoring tool wrote in
# code page 1252, one it wrote in UTF-8.
WESTERN_HELP_NAME = "Übersicht.chm"
UTF8_HELP_NAME = "Справка.chm"
# Files a case may leave outside those folders.
CASE_FILES = [HELP_FILE, KATAKANA_HELP_FILE, TEMP_ADDIN,
              TEMP_FOLDER + "\\" + WESTERN_HELP_NAME,
              TEMP_FOLDER + "\\" + UTF8_HELP_NAME]
# What a case leaves in the prefix's folders; every case starts without it.
# The product folder the launcher falls back on without a local application
# data folder.
FALLBACK_PRODUCT_FOLDER = PROGRAM_FILES + r"\Quorvane"
# A folder named with a kanji whose second byte in code page 932 is 0x5C.
KANJI_FOLDER = "C:\\予"
KANJI_PRODUCT_FOLDER = KANJI_FOLDER + r"\Quorvane"
# Folders no character of code page 1252 can name.
CYRILLIC_FOLDER = "C:\\Бюджет"
CHINESE_FOLDER = "C:\\预算"
# 151 characters that take 269 bytes in UTF-8: more than the shell's narrow
# folder query holds, well within the path limit.
CYRILLIC_LOCAL_APP_DATA = ("C:\\Пользователи\\Иван Иванович Петров\\"
                           "Личные данные и настройки программ\\"
                           "Локальные данные приложений, установленных для "
                           "этого пользователя\\AppData\\Local")
CYRILLIC_PRODUCT_FOLDER = CYRILLIC_LOCAL_APP_DATA + r"\Quorvane"
# Where a browser saves a downloaded launcher. A new prefix links it to the
# Unix home folder; a case gets a folder of its own there instead.
DOWNLOADS = rf"C:\users\{USER}\Downloads"
# A current folder a launcher may be started in, away from its own.
CURRENT_FOLDER = r"C:\Work"
CASE_FOLDERS = [PRODUCT_FOLDER, FALLBACK_PRODUCT_FOLDER, KANJI_FOLDER,
                CYRILLIC_FOLDER, CHINESE_FOLDER, "C:\\Пользователи",
                REGISTERED_FOLDER, OFFICE_FOLDER, EXCEL_FOLDER, DOWNLOADS,
                CURRENT_FOLDER]
