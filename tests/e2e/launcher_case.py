#!/usr/bin/env python3
"""Runs a built launcher under Wine as a user would start it and checks what
the user would see and what the run left on disk: the message boxes
(recorded and dismissed by the box watcher), the exit code and the files.

usage: launcher_case.py <case> --build <windows build tree> --work <dir>

The Wine prefix comes from WINEPREFIX and must be prepared (see prefix.sh).
Without an X display the script re-runs itself under xvfb-run.
"""
import argparse
import os
import pwd
import shutil
import struct
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path
from typing import Callable, List

WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")
LAUNCH_LIMIT_SECONDS = 90
START_LIMIT_SECONDS = 60
USER = pwd.getpwuid(os.getuid()).pw_name
LOCAL_APP_DATA = rf"C:\users\{USER}\AppData\Local"
PRODUCT_FOLDER = LOCAL_APP_DATA + r"\Quorvane"
RUNTIME_PATH = PRODUCT_FOLDER + r"\SheltraRuntime.dll"
TEMP_FOLDER = LOCAL_APP_DATA + r"\Temp"
ARCHIVE_ATTRIBUTE = 0x20
# 100-nanosecond ticks from 1601 to 1970.
UNIX_EPOCH_TICKS = 116444736000000000


def workbook_path_failed(path):
    return (f"File '{path}' can not be created.\n"
            "Please, check that another instance of this application is "
            "not running")


class Run:
    """One start of a launcher in the prefix, with its tools."""

    def __init__(self, build, work):
        self.build, self.work = build, work
        self.prefix = Path(os.environ["WINEPREFIX"])
        self.failures = []
        self.registry = RegistryEdit()

    def tool(self, name):
        return self.build / "tests" / "e2e" / f"{name}.exe"

    def runtime_double(self, version):
        return (self.build / "tests" / "doubles" / "runtime_module" /
                f"v{version}" / "SheltraRuntime.dll")

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

    def wine(self, *arguments, log, **options):
        return subprocess.Popen([WINE, *map(str, arguments)], stdout=log,
                                stderr=subprocess.STDOUT, **options)

    def file_facts(self, windows_path):
        """What Windows reports of a path: None when missing, else a dict of
        attributes and the three file times."""
        out = self.work / "file_facts.txt"
        with open(out, "w") as log:
            self.wine(self.tool("file_facts"), windows_path, log=log).wait(60)
        fields = out.read_text().strip().split("\t")
        if fields[1:] == ["missing"]:
            return None
        return {key: int(value, 0) for key, value in
                (item.split("=") for item in fields[1:])}

    def reg(self, *arguments):
        """Runs Wine's reg tool; returns its exit code and output."""
        out = self.work / "reg.txt"
        with open(out, "w") as log:
            code = self.wine("reg", *arguments, log=log).wait(60)
        return code, out.read_text(errors="replace")

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


def windows_path(unix_path):
    return "Z:" + str(Path(unix_path).resolve()).replace("/", "\\")


HKCU, HKLM = "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"
HKCR = "HKEY_CLASSES_ROOT"
ADDIN_KEY = r"Software\Microsoft\Office\Excel\AddIns\SheltraRuntime.Connect"
PROGID_KEY = HKCR + r"\SheltraRuntime.Connect"
CLSID_KEY = HKCR + r"\CLSID\{5B0E2C71-3F4A-4D86-9E13-7A2C4F6B8D05}"
# The prefix has no Office of its own, so everything under these keys was
# left by a case; all cases share the prefix, so each starts without them.
# HKCU\Excel is where Excel's keys would be taken from by a launcher that
# used an empty Office key.
CASE_KEYS = [HKCU + r"\Software\Microsoft\Office",
             HKLM + r"\Software\Microsoft\Office", HKCU + r"\Excel",
             PROGID_KEY, CLSID_KEY]


def office_key(root, generation):
    return rf"{root}\SOFTWARE\Microsoft\Office\{generation}.0"


class RegistryEdit:
    """Registry changes gathered into one .reg file for a single import:
    under Wine every start of `reg` costs about half a second. Starts with
    the removal of CASE_KEYS, so that a case sees only its own keys."""

    def __init__(self):
        self.lines = ["Windows Registry Editor Version 5.00", ""]
        for key in CASE_KEYS:
            self.lines += [f"[-{key}]", ""]

    def add(self, key, values=None):
        """Creates `key` with `values`: name to int (DWORD) or str (string);
        the name "" is the default value."""
        def quoted(text):
            return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'
        self.lines.append(f"[{key}]")
        for name, data in (values or {}).items():
            name = quoted(name) if name else "@"
            if isinstance(data, int):
                self.lines.append(f"{name}=dword:{data:08x}")
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
# What a case leaves in the prefix's folders; every case starts without it.
CASE_FOLDERS = [PRODUCT_FOLDER, REGISTERED_FOLDER, OFFICE_FOLDER]


@dataclass
class Case:
    launcher: str                       # built launcher, relative to the tree
    boxes: List[str]                    # message texts expected, in order
    install_as: str = r"C:\Tools\Budget.exe"
    arrange: Callable[[Run], None] = lambda run: None
    verify: Callable[[Run], None] = lambda run: None
    holder: str = ""                    # a module another process keeps loaded


def verify_installed_runtime(run):
    facts = run.file_facts(RUNTIME_PATH)
    run.expect(facts is not None, f"no runtime module at {RUNTIME_PATH}")
    if facts is None:
        return
    installed = run.in_prefix(RUNTIME_PATH).read_bytes()
    run.expect(installed == run.runtime_double(29).read_bytes(),
               "the installed runtime module differs from the one carried")
    run.expect(facts["attributes"] & ARCHIVE_ATTRIBUTE,
               f"attributes {facts['attributes']:#x} lack the archive bit")
    archive = run.build / "payload" / "sample" / "runtime.zip"
    for name, ticks in ut_times(archive).items():
        run.expect(facts[name] == ticks,
                   f"{name} time {facts[name]}, the archive says {ticks}")
    verify_no_staging_files(run)


def verify_no_staging_files(run):
    left = sorted(p.name for p in run.in_prefix(TEMP_FOLDER).glob("*.dat"))
    run.expect(not left, f"staging files left in the temporary folder: {left}")


def put_old_runtime(run):
    run.put(RUNTIME_PATH, run.runtime_double(28))


def verify_runtime_is(version):
    def verify(run):
        installed = run.in_prefix(RUNTIME_PATH)
        run.expect(installed.is_file(), f"no runtime module at {RUNTIME_PATH}")
        run.expect(not installed.is_file() or installed.read_bytes() ==
                   run.runtime_double(version).read_bytes(),
                   f"the runtime module is not version {version}'s")
    return verify


def verify_no_runtime_left(run):
    run.expect(run.file_facts(RUNTIME_PATH) is None,
               f"a file was left at {RUNTIME_PATH}")
    verify_no_staging_files(run)


def verify_nothing_installed(run):
    run.expect(not run.in_prefix(PRODUCT_FOLDER).exists(),
               f"{PRODUCT_FOLDER} was created")
    verify_no_staging_files(run)


# --- the add-in registration and the runtime version gate -----------------

RUNTIME_TOO_OLD = (
    "This file was compiled with newer version of Sheltra Runtime than "
    "installed on your PC.\nPlease, install the most recent version of "
    "Sheltra Runtime, which can be downloaded from our website "
    "https://www.quorvane.com/sheltra/runtime")
# Modules the registration can name besides the runtime doubles: a file
# that is no module, a module without the RtmGetVersion export, no file.
TEXT_FILE = REGISTERED_FOLDER + r"\text\SheltraRuntime.dll"
SYSTEM_MODULE = r"C:\windows\system32\version.dll"
NO_FILE = REGISTERED_FOLDER + r"\missing\SheltraRuntime.dll"


def put_module(run, module):
    """Puts `module` in place and returns its path: 28 or 29 is that
    runtime double, TEXT_FILE is written, other paths are used as they are."""
    if isinstance(module, int):
        path = REGISTERED_FOLDER + rf"\v{module}\SheltraRuntime.dll"
        run.put(path, run.runtime_double(module))
        return path
    if module == TEXT_FILE:
        run.put_text(module, "a text file, not a module\n")
    return module


def registered(module, root=HKCU, load_behavior=3, progid=True):
    """An arrange step registering the add-in under `root` with `module` as
    its COM server."""
    def arrange(run):
        path = put_module(run, module)
        run.registry.add(rf"{root}\{ADDIN_KEY}",
                         {"LoadBehavior": load_behavior})
        if progid:
            run.registry.add(PROGID_KEY)
        run.registry.add(CLSID_KEY + r"\InprocServer32", {"": path})
    return arrange


def user_key_not_loading(run):
    run.registry.add(rf"{HKCU}\{ADDIN_KEY}", {"LoadBehavior": 2})


def steps(*arrangements):
    def arrange(run):
        for arrangement in arrangements:
            arrangement(run)
    return arrange


def gate_refuses(arrange):
    """A registered module that fails the gate: the one message, and the run
    ends before it installs anything."""
    return Case(launcher="payload/Launcher.exe", boxes=[RUNTIME_TOO_OLD],
                arrange=arrange, verify=verify_nothing_installed)


def not_registered(arrange):
    """A registration that does not count: its version-28 module would fail
    the gate, so no message shows that the gate was skipped, and the run
    goes on to install the runtime."""
    return Case(launcher="payload/Launcher.exe", boxes=[], arrange=arrange,
                verify=verify_runtime_is(29))


# --- Excel's resiliency records --------------------------------------------

def install_excel(run, generation, path, with_excel=True):
    """Registers `path` as the generation's install root; with_excel puts an
    excel.exe there, whose bytes do not matter, only that it exists."""
    folder = run.in_prefix(path)
    folder.mkdir(parents=True, exist_ok=True)
    if with_excel:
        (folder / "excel.exe").write_text("a stand-in for Excel\n")
    run.registry.add(office_key(HKLM, generation) + r"\Excel\InstallRoot",
                     {"Path": path})


def resiliency(generation):
    return office_key(HKCU, generation) + r"\Excel\Resiliency"


# Beside Excel 12's resiliency key, for the cleanup to leave alone.
OPTIONS_12 = office_key(HKCU, 12) + r"\Excel\Options"


def excel_12_resiliency(*records):
    """An arrange step: Excel 12 installed, its resiliency key holding
    `records`, another subkey and a value; Excel 11, not installed, has
    records too."""
    def arrange(run):
        install_excel(run, 12, OFFICE_FOLDER + "\\Office12\\")
        for record in records:
            run.registry.add(resiliency(12) + "\\" + record)
        run.registry.add(resiliency(12) + r"\DocumentRecovery")
        run.registry.add(resiliency(12), {"Marker": 1})
        run.registry.add(OPTIONS_12, {"Marker": 1})
        run.registry.add(resiliency(11) + r"\DisabledItems")
    return arrange


def generations_with_records(run):
    """Excel 12's root holds no excel.exe; Excel 11's root lacks the final
    backslash; Excel 10's is complete, but 11 is looked at first."""
    install_excel(run, 12, OFFICE_FOLDER + "\\Office12\\", with_excel=False)
    install_excel(run, 11, OFFICE_FOLDER + "\\Office11")
    install_excel(run, 10, OFFICE_FOLDER + "\\Office10\\")
    for generation in (12, 11, 10):
        run.registry.add(resiliency(generation) + r"\DisabledItems")


BARE_RESILIENCY = HKCU + r"\Excel\Resiliency"


def records_without_excel(run):
    install_excel(run, 12, OFFICE_FOLDER + "\\Office12\\", with_excel=False)
    run.registry.add(resiliency(12) + r"\StartupItems")
    run.registry.add(BARE_RESILIENCY + r"\StartupItems")


def verify_keys(present=(), absent=()):
    def verify(run):
        wanted = [key.lower() for key in (*present, *absent)]
        roots = {root for root in CASE_KEYS
                 if any(key == root.lower() or
                        key.startswith(root.lower() + "\\") for key in wanted)}
        keys = set().union(*map(run.registry_keys, sorted(roots)))
        for key in present:
            run.expect(key.lower() in keys, f"{key} is gone")
        for key in absent:
            run.expect(key.lower() not in keys, f"{key} is still there")
    return verify


CASES = {
    # An ordinary start: no message, the runtime module installed.
    "sample_run": Case(
        launcher="payload/Launcher.exe", boxes=[],
        verify=verify_installed_runtime),
    # A module of an earlier start that nothing holds is rewritten.
    "replaces_earlier_runtime": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=put_old_runtime, verify=verify_runtime_is(29)),
    # A module another process keeps loaded is used as it is.
    "runtime_in_use": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=put_old_runtime, holder=RUNTIME_PATH,
        verify=verify_runtime_is(28)),
    "no_runtime_resource": Case(
        launcher="tests/e2e/LauncherWithoutRuntime.exe",
        boxes=["Sheltra Runtime can not be found in executable."],
        verify=verify_no_runtime_left),
    "runtime_not_an_archive": Case(
        launcher="tests/e2e/LauncherWithBrokenRuntime.exe",
        boxes=["Sheltra was unable to install Runtime to the following "
               "location:\n" + RUNTIME_PATH],
        verify=verify_no_runtime_left),
    # Started from a path longer than the 259 characters the launcher's path
    # buffer holds: the path the system hands back is cut, which the launcher
    # treats as no path at all, so nothing can be read from the executable.
    # A workbook path over 259 characters cannot be formed.
    "workbook_path_too_long": Case(
        launcher="tests/e2e/LauncherWithLongExtension.exe",
        install_as="C:\\" + "\\".join(["LongFolderName" + "x" * 36] * 4)
                   + "\\" + "b" * 44 + ".exe",
        boxes=[workbook_path_failed("")]),
    "cut_executable_path": Case(
        launcher="payload/Launcher.exe",
        install_as="C:\\" + "\\".join(["LongFolderName" + "x" * 36] * 5)
                   + r"\Budget.exe",
        boxes=["Sheltra Runtime can not be found in executable."]),

    # The add-in registered for the current user with a module that is too
    # old, that does not load, or that cannot tell its version.
    "gate_refuses_old_runtime": gate_refuses(registered(28)),
    "gate_refuses_unloadable_runtime": gate_refuses(registered(TEXT_FILE)),
    "gate_refuses_runtime_without_version": gate_refuses(
        registered(SYSTEM_MODULE)),
    "gate_accepts_current_runtime": Case(
        launcher="payload/Launcher.exe", boxes=[], arrange=registered(29),
        verify=verify_installed_runtime),
    # Registered for the machine only: that counts too...
    "machine_registration_counts": gate_refuses(registered(28, root=HKLM)),
    # ...unless the user's key, set not to load, hides it.
    "user_key_hides_machine_key": not_registered(
        steps(registered(28, root=HKLM), user_key_not_loading)),
    "registration_without_progid": not_registered(
        registered(28, progid=False)),
    "registration_without_module_file": not_registered(registered(NO_FILE)),

    # The located Excel's resiliency key goes as a whole once it holds
    # records; other generations' keys and the rest of Excel's stay.
    "resiliency_removed": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=steps(registered(29), excel_12_resiliency("StartupItems")),
        verify=verify_keys(
            present=[OPTIONS_12, resiliency(11) + r"\DisabledItems"],
            absent=[resiliency(12)])),
    "resiliency_of_first_generation_with_excel": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=steps(registered(29), generations_with_records),
        verify=verify_keys(present=[resiliency(12) + r"\DisabledItems",
                                    resiliency(10) + r"\DisabledItems"],
                           absent=[resiliency(11)])),
    # Without records there is nothing to remove.
    "resiliency_kept_without_records": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=steps(registered(29), excel_12_resiliency()),
        verify=verify_keys(present=[resiliency(12) + r"\DocumentRecovery"])),
    # Without a located Excel there is no Office key to clean, neither the
    # generation's whose root lacks excel.exe nor one made of an empty key.
    "resiliency_untouched_without_excel": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=steps(registered(29), records_without_excel),
        verify=verify_keys(present=[resiliency(12) + r"\StartupItems",
                                    BARE_RESILIENCY + r"\StartupItems"])),
    # Without the add-in registered nothing is cleaned.
    "resiliency_untouched_without_addin": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=excel_12_resiliency("StartupItems"),
        verify=verify_keys(present=[resiliency(12) + r"\StartupItems",
                                    resiliency(11) + r"\DisabledItems"])),
}


def run_case(name, run):
    case = CASES[name]
    if run.work.exists():
        shutil.rmtree(run.work)
    run.work.mkdir(parents=True)
    for folder in CASE_FOLDERS:
        shutil.rmtree(run.in_prefix(folder), ignore_errors=True)
    run.put(case.install_as, run.build / case.launcher)
    case.arrange(run)
    run.apply_registry()

    journal, stop = run.work / "boxes.txt", run.work / "stop"
    ready = run.work / "holder-ready"
    exit_code, elapsed = None, 0.0
    with open(run.work / "wine.log", "w") as log:
        helpers = [run.wine(run.tool("box_watcher"), windows_path(journal),
                            windows_path(stop), log=log)]
        if case.holder:
            helpers.append(run.wine(run.tool("hold_module"), case.holder,
                                    windows_path(ready), windows_path(stop),
                                    log=log))
        try:
            started = wait_for(journal.exists, START_LIMIT_SECONDS) and (
                not case.holder or wait_for(ready.exists, START_LIMIT_SECONDS))
            if not started:
                run.failures.append("the watcher or the module holder did "
                                    "not start")
            else:
                begin = time.monotonic()
                try:
                    exit_code = run.wine(case.install_as, log=log).wait(
                        LAUNCH_LIMIT_SECONDS)
                except subprocess.TimeoutExpired:
                    run.failures.append("the launcher did not exit within "
                                        f"{LAUNCH_LIMIT_SECONDS} s")
                elapsed = time.monotonic() - begin
        finally:
            stop.touch()
            for helper in helpers:
                try:
                    helper.wait(timeout=30)
                except subprocess.TimeoutExpired:
                    helper.kill()
                    run.failures.append("a helper did not stop")

    run.expect(exit_code in (0, None), f"exit code {exit_code}, expected 0")
    boxes = read_journal(journal) if journal.exists() else []
    texts = [box["text"] for box in boxes]
    run.expect(texts == case.boxes,
               f"message boxes {texts!r}, expected {case.boxes!r}")
    for box in boxes:
        shape = (box["title"], box["buttons"], box["icon"])
        run.expect(shape == ("Sheltra", "OK", "hand"),
                   f"box title/buttons/icon {shape}, expected "
                   "('Sheltra', 'OK', 'hand')")
    case.verify(run)

    print(f"{name}: exit code {exit_code} after {elapsed:.1f} s, "
          f"{len(boxes)} message box(es)")
    for box in boxes:
        print(f"  box: {box['text']!r} (owner {box['owner']})")
    for failure in run.failures:
        print(f"FAILED {name}: {failure}")
    return not run.failures


def ensure_display():
    if os.environ.get("DISPLAY"):
        return
    if os.environ.get("LAUNCHER_CASE_IN_XVFB"):
        sys.exit("launcher_case: still no DISPLAY under xvfb-run")
    os.environ["LAUNCHER_CASE_IN_XVFB"] = "1"
    os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24",
                           sys.executable, *sys.argv])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--work", type=Path, required=True)
    args = parser.parse_args()
    ensure_display()
    try:
        ok = run_case(args.case, Run(args.build.resolve(), args.work.resolve()))
    finally:
        # The Xvfb of this run ends with it: Wine's helpers must go first.
        subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], stderr=subprocess.DEVNULL)
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
