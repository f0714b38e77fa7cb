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
RUNTIME_PATH = LOCAL_APP_DATA + r"\Quorvane\SheltraRuntime.dll"
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

    def expect(self, condition, failure):
        if not condition:
            self.failures.append(failure)


def windows_path(unix_path):
    return "Z:" + str(Path(unix_path).resolve()).replace("/", "\\")


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
        installed = run.in_prefix(RUNTIME_PATH).read_bytes()
        run.expect(installed == run.runtime_double(version).read_bytes(),
                   f"the runtime module is not version {version}'s")
    return verify


def verify_no_runtime_left(run):
    run.expect(run.file_facts(RUNTIME_PATH) is None,
               f"a file was left at {RUNTIME_PATH}")
    verify_no_staging_files(run)


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
}


def run_case(name, run):
    case = CASES[name]
    if run.work.exists():
        shutil.rmtree(run.work)
    run.work.mkdir(parents=True)
    shutil.rmtree(run.in_prefix(LOCAL_APP_DATA + r"\Quorvane"),
                  ignore_errors=True)
    run.put(case.install_as, run.build / case.launcher)
    case.arrange(run)

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
