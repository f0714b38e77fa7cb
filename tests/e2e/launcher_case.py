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
import shutil
import subprocess
import sys
import time
from pathlib import Path

import excel_double_registry as excel_double
from launcher_cases import CASES
from run_account import print_account
from wine_run import (LAUNCH_LIMIT_SECONDS, START_LIMIT_SECONDS, Run,
                      windows_path, read_journal, wait_for, CASE_FOLDERS,
                      CASE_FILES, EXCEL_FOLDER)

# The Excel double ends once the launcher has released its last reference.
EXCEL_EXIT_LIMIT_SECONDS = 30


def install_excel(run, settings):
    """Registers the Excel double told `settings` as Excel, or, when
    `settings` is None, leaves Excel unregistered."""
    for key in excel_double.KEYS:
        run.registry.remove(key)
    if settings is None:
        return
    excel_double.install(run.excel_double(), run.in_prefix(EXCEL_FOLDER),
                         settings)
    excel_double.add_registration(
        run.registry, EXCEL_FOLDER + "\\" + excel_double.SERVER_NAME)


def wait_for_excel_exit(run):
    """Waits until the Excel double, if it was started, has journalled its
    exit, so that its journal is complete."""
    folder = run.in_prefix(EXCEL_FOLDER)
    if not excel_double.read_journal(folder):
        return
    exited = wait_for(lambda: any(entry.kind == "exit" for entry in
                                  excel_double.read_journal(folder)),
                      EXCEL_EXIT_LIMIT_SECONDS)
    run.expect(exited, "the Excel double did not exit: a reference to it "
               "was never released")


def check_call_form(run):
    """Every call Excel received was looked up by its name just before, in
    the user's default locale, with IID_NULL, and a property put carried
    exactly the one named argument DISPID_PROPERTYPUT."""
    looked_up = None
    for entry in excel_double.read_journal(run.in_prefix(EXCEL_FOLDER)):
        if entry.kind == "names":
            looked_up = entry.fields[:2]
            run.expect(entry.value("lcid") == "1024", f"lookup {entry}")
        if entry.kind != "invoke":
            continue
        run.expect(looked_up == entry.fields[:2],
                   f"no name lookup before {entry.fields[:2]}")
        looked_up = None
        put = entry.value("flags") == "4"
        run.expect(entry.value("lcid") == "1024" and
                   entry.value("iid") == "null" and
                   entry.value("named") == ("-3" if put else ""),
                   f"call made in the wrong form: {entry.fields}")


def remove_case_files(run):
    """Removes what a case may leave outside the case folders, undoing the
    immutability a case may have given it."""
    for file in CASE_FILES:
        path = run.in_prefix(file)
        if path.exists():
            subprocess.run(["chattr", "-i", path], check=True)
            path.unlink()


def run_case(name, run, account=False):
    case = CASES[name]
    if run.work.exists():
        shutil.rmtree(run.work)
    run.work.mkdir(parents=True)
    for folder in CASE_FOLDERS:
        shutil.rmtree(run.in_prefix(folder), ignore_errors=True)
    remove_case_files(run)
    run.put(case.install_as, run.build / case.launcher)
    install_excel(run, case.excel)
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
                    environment = (run.locale_environment(case.locale)
                                   if case.locale else None)
                    exit_code = run.wine(case.install_as, log=log,
                                         env=environment).wait(
                        LAUNCH_LIMIT_SECONDS)
                except subprocess.TimeoutExpired:
                    run.failures.append("the launcher did not exit within "
                                        f"{LAUNCH_LIMIT_SECONDS} s")
                elapsed = time.monotonic() - begin
                run.launcher_ended_ms = time.time() * 1000
        finally:
            stop.touch()
            for helper in helpers:
                try:
                    helper.wait(timeout=30)
                except subprocess.TimeoutExpired:
                    helper.kill()
                    run.failures.append("a helper did not stop")

    run.expect(exit_code in (0, None), f"exit code {exit_code}, expected 0")
    wait_for_excel_exit(run)
    check_call_form(run)
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
    if account:
        print_account(run, exit_code, boxes)
    remove_case_files(run)

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
    parser.add_argument("--account", action="store_true",
                        help="tell what the start did, step by step")
    args = parser.parse_args()
    ensure_display()
    try:
        ok = run_case(args.case, Run(args.build.resolve(), args.work.resolve()),
                      account=args.account)
    finally:
        # The Xvfb of this run ends with it: Wine's helpers must go first.
        subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], stderr=subprocess.DEVNULL)
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()

