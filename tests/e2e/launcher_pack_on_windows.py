#!/usr/bin/env python3
"""launcher-pack.exe, the packer built for the vendor's Windows machines,
under Wine: from the tree's stub and the sample payload it makes the very
bytes the Linux launcher-pack made for the build, and both refuse a payload
that breaks the contract with the same words, status and report, writing
nothing. Both run in the build tree's folder with the same relative names.

usage: launcher_pack_on_windows.py --linux <launcher-pack>
           --windows <launcher-pack.exe> --build <windows build tree>
           --work <dir> --stub <stub> --payload <folder> --launcher <built launcher>

The Wine prefix comes from WINEPREFIX and must be prepared (see prefix.sh).
"""
import argparse
import os
import sys
from pathlib import Path

from wine_run import exit_status, run_captured, wine_loader

REFUSED = 1


def main():
    parser = argparse.ArgumentParser()
    for option in ("linux", "windows", "build", "work", "stub", "payload", "launcher"):
        parser.add_argument(f"--{option}", type=Path, required=True)
    args = parser.parse_args()
    args.work.mkdir(parents=True, exist_ok=True)
    relative = lambda path: os.path.relpath(path, args.build)
    failures = []

    output = args.work / "Launcher.exe"
    output.unlink(missing_ok=True)
    arguments = ["--stub", relative(args.stub), "--payload", relative(args.payload),
                 "--output", relative(output)]
    status, out, err = run_captured([wine_loader(), args.windows, *arguments], args.build, args.work / "pack-windows")
    if status != 0 or not output.exists():
        failures.append(f"launcher-pack.exe refused the sample payload (status {status}): {err!r}")
    elif output.read_bytes() != args.launcher.read_bytes():
        failures.append(f"launcher-pack.exe made other bytes than the build's {args.launcher}")
    else:
        print(f"launcher-pack.exe made {relative(args.launcher)}, byte for byte: {output.stat().st_size} bytes")

    broken = args.work / "Broken.exe"
    refusing = [*arguments[:4], "--runtime", relative(args.payload / "workbook.xls"), "--output", relative(broken)]
    linux = run_captured([args.linux, *refusing], args.build, args.work / "refuse-linux")
    windows = run_captured([wine_loader(), args.windows, *refusing], args.build, args.work / "refuse-windows")
    if linux[0] != REFUSED or linux != windows or broken.exists():
        failures.append(f"a broken payload: Linux {linux!r}, Windows {windows!r}, written: {broken.exists()}")
    return exit_status(failures)


if __name__ == "__main__":
    sys.exit(main())
