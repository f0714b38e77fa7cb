#!/usr/bin/env python3
"""Runs a built launcher under Wine as a user would start it and checks what
the user would see: the message boxes (recorded and dismissed by the box
watcher) and the exit code.

usage: launcher_case.py <case> --launcher <exe> --watcher <box_watcher.exe>
                        --work <dir>

The Wine prefix comes from WINEPREFIX and must be prepared (see prefix.sh).
Without an X display the script re-runs itself under xvfb-run.
"""
import argparse
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")
LAUNCH_LIMIT_SECONDS = 90
WATCHER_START_LIMIT_SECONDS = 60

WORKBOOK_PATH_FAILED = (
    "File '' can not be created.\n"
    "Please, check that another instance of this application is not running")

# Where the launcher is installed in the prefix, and the boxes its run must
# show, in order.
CASES = {
    # A launcher in an ordinary folder: no message, exit code 0.
    "sample_run": {
        "install_as": r"C:\Tools\Budget.exe",
        "boxes": [],
    },
    # Started from a path longer than the 259 characters the launcher's path
    # buffer holds: the path the system hands back is cut, which the launcher
    # treats as no path at all, so the workbook path cannot be formed.
    "cut_executable_path": {
        "install_as": "C:\\" + "\\".join(["LongFolderName" + "x" * 36] * 5)
                      + r"\Budget.exe",
        "boxes": [WORKBOOK_PATH_FAILED],
    },
}


def ensure_display():
    if os.environ.get("DISPLAY"):
        return
    if os.environ.get("LAUNCHER_CASE_IN_XVFB"):
        sys.exit("launcher_case: still no DISPLAY under xvfb-run")
    os.environ["LAUNCHER_CASE_IN_XVFB"] = "1"
    os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24",
                           sys.executable, *sys.argv])


def unix_path_in_prefix(windows_path):
    drive, rest = windows_path.split(":", 1)
    assert drive.upper() == "C", windows_path
    return Path(os.environ["WINEPREFIX"], "drive_c",
                *[part for part in rest.split("\\") if part])


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


def run_case(name, launcher, watcher, work):
    case = CASES[name]
    failures = []
    if work.exists():
        shutil.rmtree(work)
    work.mkdir(parents=True)
    journal, stop = work / "boxes.txt", work / "stop"

    installed = unix_path_in_prefix(case["install_as"])
    installed.parent.mkdir(parents=True, exist_ok=True)
    shutil.copy2(launcher, installed)

    with open(work / "watcher.log", "w") as watcher_log, \
         open(work / "launcher.log", "w") as launcher_log:
        watching = subprocess.Popen(
            [WINE, str(watcher), windows_path(journal), windows_path(stop)],
            stdout=watcher_log, stderr=subprocess.STDOUT)
        if not wait_for(journal.exists, WATCHER_START_LIMIT_SECONDS):
            watching.kill()
            sys.exit(f"{name}: the box watcher did not start")
        started = time.monotonic()
        try:
            exit_code = subprocess.run(
                [WINE, case["install_as"]], stdout=launcher_log,
                stderr=subprocess.STDOUT,
                timeout=LAUNCH_LIMIT_SECONDS).returncode
        except subprocess.TimeoutExpired:
            exit_code = None
            failures.append(f"the launcher did not exit within "
                            f"{LAUNCH_LIMIT_SECONDS} s")
        elapsed = time.monotonic() - started
        stop.touch()
        try:
            watching.wait(timeout=30)
        except subprocess.TimeoutExpired:
            watching.kill()
            failures.append("the box watcher did not stop")

    if exit_code is not None and exit_code != 0:
        failures.append(f"exit code {exit_code}, expected 0")
    boxes = read_journal(journal)
    texts = [box["text"] for box in boxes]
    if texts != case["boxes"]:
        failures.append(f"message boxes {texts!r}, expected {case['boxes']!r}")
    for box in boxes:
        shape = (box["title"], box["buttons"], box["icon"])
        if shape != ("Sheltra", "OK", "hand"):
            failures.append(f"box title/buttons/icon {shape}, expected "
                            "('Sheltra', 'OK', 'hand')")

    print(f"{name}: exit code {exit_code} after {elapsed:.1f} s, "
          f"{len(boxes)} message box(es)")
    for box in boxes:
        print(f"  box: {box['text']!r} (owner {box['owner']})")
    for failure in failures:
        print(f"FAILED {name}: {failure}")
    return not failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--launcher", type=Path, required=True)
    parser.add_argument("--watcher", type=Path, required=True)
    parser.add_argument("--work", type=Path, required=True)
    args = parser.parse_args()
    ensure_display()
    try:
        ok = run_case(args.case, args.launcher, args.watcher, args.work)
    finally:
        # The Xvfb of this run ends with it: Wine's helpers must go first.
        subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], stderr=subprocess.DEVNULL)
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
