#!/usr/bin/env python3
"""Times starts of a launcher that carries a 20 MiB runtime module, under
Wine, with the Excel automation double: from the moment the launcher's
process is started to the first entry the Excel double journals, which it
writes when the launcher's CoCreateInstance has made it. Each start begins
from a clean product folder, as a first start of a user does. Prints the
figures of every start and their median; never fails on a slow machine.

usage: start_to_excel.py --build <win32 build tree> [--starts N]
Needs WINEPREFIX and the Wine settings that scripts/benchmark.sh sets.
"""
import argparse
import statistics
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "e2e"))

import excel_double_registry as excel_double  # noqa: E402
from launcher_case import ensure_display, run_case  # noqa: E402
from launcher_cases import CASES, Case  # noqa: E402
from wine_run import EXCEL_FOLDER, Run  # noqa: E402

CASE = "start_to_excel_20mib"
CASES[CASE] = Case(launcher="tests/e2e/LauncherWith20MiBRuntime.exe",
                   boxes=[])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--starts", type=int, default=5)
    args = parser.parse_args()
    ensure_display()
    build = args.build.resolve()
    module = build / "tests/doubles/runtime_module/v29_20mib/SheltraRuntime.dll"
    seconds = []
    for number in range(1, args.starts + 1):
        run = Run(build, build / "benchmark-run")
        if not run_case(CASE, run):
            sys.exit(f"start {number} did not run to Excel cleanly")
        journal = excel_double.read_journal(run.in_prefix(EXCEL_FOLDER))
        if not journal:
            sys.exit(f"start {number}: the Excel double journalled nothing")
        seconds.append((journal[0].ms - run.starts[0].begin_ms) / 1000)
    print(f"runtime module {module.stat().st_size / 2**20:.1f} MiB: process "
          f"start to Excel's creation "
          + ", ".join(f"{s:.2f}" for s in seconds)
          + f" s; median {statistics.median(seconds):.2f} s over "
          f"{len(seconds)} starts")


if __name__ == "__main__":
    main()
