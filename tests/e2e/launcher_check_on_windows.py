#!/usr/bin/env python3
"""launcher-check.exe, the checker built for the vendor's Windows machines,
under Wine: for every file given, its report in both forms (text and
--json), its error output and its exit status are the Linux launcher-check's
byte for byte, with the same arguments. Both run in the build tree's folder
and are handed the same relative name, which their reports repeat. The
program starts from a prefix that holds no MinGW runtime DLL, so it runs
from its .exe alone; and it leaves no scratch folder in the prefix's
temporary folder.

usage: launcher_check_on_windows.py --linux <launcher-check>
           --windows <launcher-check.exe> --build <windows build tree>
           --work <dir> --format PE32|PE32+ (--check <code page> <file>)...

The Wine prefix comes from WINEPREFIX and must be prepared (see prefix.sh).
"""
import argparse
import os
import sys
from pathlib import Path

from wine_run import TEMP_FOLDER, Run, exit_status, run_captured, wine_loader

# What launcher-check exits with: the contract kept, broken, or no report.
KEPT, BROKEN, UNREADABLE = 0, 1, 2
SCRATCH_FOLDERS = "launcher-check.*"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--linux", type=Path, required=True)
    parser.add_argument("--windows", type=Path, required=True)
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--work", type=Path, required=True)
    parser.add_argument("--format", required=True)
    parser.add_argument("--check", nargs=2, action="append", required=True,
                        metavar=("CODE_PAGE", "FILE"))
    args = parser.parse_args()
    args.work.mkdir(parents=True, exist_ok=True)
    temp = Run(args.build, args.work).in_prefix(TEMP_FOLDER)
    scratch_before = set(temp.glob(SCRATCH_FOLDERS))

    failures = []
    statuses = set()
    for number, (code_page, file) in enumerate(args.check):
        name = os.path.relpath(file, args.build)
        for form in ([], ["--json"]):
            arguments = [*form, "--format", args.format, "--code-page",
                         code_page, name]
            label = " ".join(arguments)
            stem = f"{number}{'-json' if form else ''}"
            linux = run_captured([args.linux, *arguments], args.build,
                        args.work / f"{stem}-linux")
            windows = run_captured([wine_loader(), args.windows, *arguments], args.build,
                          args.work / f"{stem}-windows")
            statuses.add(linux[0])
            if linux[0] not in (KEPT, BROKEN, UNREADABLE) or not (
                    linux[1] or linux[2]):
                failures.append(f"{label}: the Linux checker gave no "
                                f"verdict (status {linux[0]})")
            for part, what in enumerate(["exit status", "output",
                                         "error output"]):
                if linux[part] != windows[part]:
                    failures.append(
                        f"{label}: {what} differs\n--- Linux:\n"
                        f"{linux[part]!r}\n--- Windows:\n{windows[part]!r}")
            print(f"{label}: status {windows[0]}, "
                  f"{len(windows[1])} bytes of output")
    # Files of each outcome, so that equal reports are never only equally
    # empty ones.
    if statuses != {KEPT, BROKEN, UNREADABLE}:
        failures.append(f"the files gave the statuses {sorted(statuses)}, "
                        "not one each of kept, broken and unreadable")
    left = set(temp.glob(SCRATCH_FOLDERS)) - scratch_before
    if left:
        failures.append(f"scratch folders left behind: {sorted(left)}")
    return exit_status(failures)


if __name__ == "__main__":
    sys.exit(main())
