#!/usr/bin/env python3
"""Runs a built launcher under Wine as a user would start it, once or more
(one start after another, or a start while another runs), and checks what
the user would see and what the starts left on disk: the message boxes
(recorded and dismissed by one box watcher for all starts), the exit codes
and the files.

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
from pathlib import Path, PureWindowsPath

import excel_double_registry as excel_double
from launcher_cases import CASES
from run_account import print_account
from wine_run import (START_LIMIT_SECONDS, Run, StartTimes, now_ms,
                      windows_path, read_journal, wait_for, CASE_FOLDERS,
                      CASE_FILES, EXCEL_FOLDER, TEMP_FOLDER,
                      STAGING_PROBES_NAME, KILL_JOURNAL_NAME,
                      MESSAGE_SENDS_NAME, SCANNER_JOURNAL_NAME,
                      PRODUCT_FOLDER)

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
    """Waits until every Excel double that was started (one per start of
    the launcher that reached Excel) has journalled its exit, so that the
    journal is complete."""
    folder = run.in_prefix(EXCEL_FOLDER)

    def all_exited():
        return all(any(entry.kind == "exit" for entry in server)
                   for server in excel_double.journals_by_server(folder))
    run.expect(wait_for(all_exited, EXCEL_EXIT_LIMIT_SECONDS),
               "the Excel double did not exit: a reference to it was never "
               "released")


def check_call_form(run):
    """Every call Excel received was looked up by its name just before, in
    the user's default locale, with IID_NULL, and a property put carried
    exactly the one named argument DISPID_PROPERTYPUT."""
    for server in excel_double.journals_by_server(run.in_prefix(EXCEL_FOLDER)):
        check_server_call_form(run, server)


def check_server_call_form(run, entries):
    looked_up = None
    for entry in entries:
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


def clear_case_folders(run):
    """Removes the case folders; a folder the prefix links elsewhere (such
    as Downloads, linked to the Unix home) loses only its link, so nothing
    a case puts there lands outside the prefix."""
    for folder in CASE_FOLDERS:
        path = run.in_prefix(folder)
        if path.is_symlink():
            path.unlink()
        else:
            shutil.rmtree(path, ignore_errors=True)
    # Staging files an earlier case left would be taken for this case's.
    for staged in run.in_prefix(TEMP_FOLDER).glob("*.dat"):
        staged.unlink()


class Helpers:
    """The programs that run beside the launcher for the whole case: the box
    watcher, and as the case asks a module holder, the staging prober, the
    kill tool and the scanner. Each tells it is ready through a file; all stop at the
    stop file."""

    def __init__(self, run, case):
        self.run = run
        self.journal, self.stop = run.work / "boxes.txt", run.work / "stop"
        self.processes = [run.wine(run.tool("box_watcher"),
                                   windows_path(self.journal),
                                   windows_path(self.stop),
                                   log_name="box_watcher.log")]
        self.ready_files = [self.journal]
        if case.holder:
            self.start("hold_module", case.holder)
        if case.probe_staging:
            self.start("staging_prober",
                       windows_path(run.work / STAGING_PROBES_NAME))
        if case.probe_messages:
            self.start("message_prober",
                       windows_path(run.work / MESSAGE_SENDS_NAME),
                       PureWindowsPath(case.install_as).name)
        if case.kill:
            self.start("kill_when", windows_path(run.work / KILL_JOURNAL_NAME),
                       *case.kill.tool_arguments(run, case.install_as))
        if case.scanner_hold_ms:
            self.start("scanner", windows_path(run.work / SCANNER_JOURNAL_NAME),
                       PRODUCT_FOLDER, case.scanner_hold_ms,
                       *case.scanned_earlier)

    def start(self, tool, first_argument, *further_arguments):
        ready = self.run.work / f"{tool}-ready"
        self.processes.append(self.run.wine(
            self.run.tool(tool), first_argument, windows_path(ready),
            windows_path(self.stop), *further_arguments,
            log_name=f"{tool}.log"))
        self.ready_files.append(ready)

    def all_ready(self):
        def ready(path):
            # Polled, a helper Wine failed to start is started again.
            for helper in self.processes:
                helper.poll()
            return path.exists()
        return all(wait_for(lambda: ready(path), START_LIMIT_SECONDS)
                   for path in self.ready_files)

    def stop_all(self):
        self.stop.touch()
        for helper in self.processes:
            try:
                helper.wait(timeout=30)
            except subprocess.TimeoutExpired:
                helper.kill()
                self.run.failures.append("a helper did not stop")


def start_environment(run, case):
    """The environment of the case's launcher starts: its locale and its
    DLL load orders."""
    environment = (run.locale_environment(case.locale) if case.locale
                   else dict(os.environ))
    if case.dll_overrides:
        environment["WINEDLLOVERRIDES"] = ";".join(filter(None, [
            environment.get("WINEDLLOVERRIDES"), case.dll_overrides]))
    return environment


class Starts:
    """The starts of a case's launcher, each recorded in run.starts."""

    def __init__(self, run, case):
        self.run, self.case = run, case
        self.running = []
        self.environment = start_environment(run, case)
        self.cwd = (run.in_prefix(case.current_folder)
                    if case.current_folder else None)

    def begin(self):
        process = self.run.wine(
            self.case.install_as,
            log_name=f"start{len(self.run.starts) + 1}.log",
            env=self.environment, cwd=self.cwd)
        times = StartTimes(begin_ms=process.began_ms)
        self.run.starts.append(times)
        self.running.append((process, times))

    def wait_for_all(self):
        """Waits until every running start has ended; a start still running
        at its limit is ended and counts as a failure. Returns whether all
        ended by themselves."""
        limit_ms = self.case.start_limit_seconds * 1000
        while self.running:
            for process, times in list(self.running):
                code = process.poll()
                # A start Wine failed to make, and made again, begins anew.
                times.begin_ms = process.began_ms
                if code is not None:
                    times.end_ms, times.exit_code = now_ms(), code
                    self.running.remove((process, times))
                elif now_ms() - times.begin_ms > limit_ms:
                    process.kill()
                    number = self.run.starts.index(times) + 1
                    self.run.failures.append(
                        f"start {number} did not exit within "
                        f"{self.case.start_limit_seconds} s")
                    self.running.remove((process, times))
            time.sleep(0.02)
        ended = [t.end_ms for t in self.run.starts if t.end_ms is not None]
        self.run.launcher_ended_ms = max(ended, default=None)
        return all(t.exit_code is not None for t in self.run.starts)

    def run_all(self):
        self.begin()
        for start in self.case.further_starts:
            if start.after_previous_began is None:
                if not self.wait_for_all():
                    return
                if start.check_before:
                    start.check_before(self.run)
                if start.launcher:
                    self.run.put(self.case.install_as,
                                 self.run.build / start.launcher)
            else:
                begin_at = (self.run.starts[-1].begin_ms +
                            start.after_previous_began * 1000)
                time.sleep(max(0.0, begin_at - now_ms()) / 1000)
            self.begin()
        self.wait_for_all()


def print_starts(run):
    """Each start's times when a case has more than one."""
    if len(run.starts) < 2:
        return
    first = run.starts[0].begin_ms
    for number, times in enumerate(run.starts, 1):
        ended = ("did not end" if times.end_ms is None else
                 f"ended +{(times.end_ms - first) / 1000:.2f} s, "
                 f"took {times.seconds():.2f} s, exit code {times.exit_code}")
        print(f"  start {number}: began +{(times.begin_ms - first) / 1000:.2f}"
              f" s, {ended}")


def run_case(name, run, account=False):
    case = CASES[name]
    if run.work.exists():
        shutil.rmtree(run.work)
    run.work.mkdir(parents=True)
    clear_case_folders(run)
    remove_case_files(run)
    run.put(case.install_as, run.build / case.launcher)
    if case.current_folder:
        run.in_prefix(case.current_folder).mkdir(parents=True, exist_ok=True)
    install_excel(run, case.excel)
    case.arrange(run)
    run.apply_registry()
    expected_boxes = (case.boxes(run) if callable(case.boxes)
                      else case.boxes)

    helpers = Helpers(run, case)
    try:
        if helpers.all_ready():
            Starts(run, case).run_all()
        else:
            run.failures.append("the watcher or a helper did not start")
    finally:
        helpers.stop_all()

    for number, times in enumerate(run.starts, 1):
        # A start the kill tool ended has the exit code it was given, which
        # the tool journals: what Wine hands its Unix parent then depends on
        # where the start's threads were (seen: that code, and 0).
        if case.kill and number == 1:
            continue
        which = f"start {number}: " if len(run.starts) > 1 else ""
        run.expect(times.exit_code in (0, None),
                   f"{which}exit code {times.exit_code}, expected 0")
    wait_for_excel_exit(run)
    check_call_form(run)
    journal = helpers.journal
    boxes = read_journal(journal) if journal.exists() else []
    texts = [box["text"] for box in boxes]
    run.expect(texts == expected_boxes,
               f"message boxes {texts!r}, expected {expected_boxes!r}")
    for box in boxes:
        shape = (box["title"], box["buttons"], box["icon"])
        run.expect(shape == ("Sheltra", "OK", "hand"),
                   f"box title/buttons/icon {shape}, expected "
                   "('Sheltra', 'OK', 'hand')")
    case.verify(run)
    first = run.starts[0] if run.starts else StartTimes(begin_ms=0)
    if account:
        print_account(run, first.exit_code, boxes)
    remove_case_files(run)

    took = ("did not end" if first.seconds() is None else
            f"after {first.seconds():.1f} s")
    print(f"{name}: exit code {first.exit_code} {took}, {len(boxes)} "
          "message box(es)")
    print_starts(run)
    for note in run.notes:
        print(f"  {note}")
    for box in boxes:
        print(f"  box: {box['text']!r} (owner {box['owner']})")
    for failure in run.failures:
        print(f"FAILED {name}: {failure}")
    return not run.failures


# How often a kill case is tried when its kill lands in the wrong phase.
KILL_ATTEMPTS = 3


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
    # A kill is timed from outside: on a busy machine it may land in a later
    # phase than the one meant. Such an attempt still checks everything
    # else; only when that was all that failed is the case tried again. A
    # scanner may miss the moment a file is between its writer and its
    # rename: everything after differs, so such an attempt is tried again
    # whatever else failed.
    case = CASES[args.case]
    attempts = KILL_ATTEMPTS if case.kill or case.scanner_hold_ms else 1
    try:
        for attempt in range(1, attempts + 1):
            run = Run(args.build.resolve(), args.work.resolve())
            ok = run_case(args.case, run, account=args.account)
            if (ok or run.missed_phase is None or
                    (case.kill and len(run.failures) > 1)):
                break
            if attempt < attempts:
                print(f"{args.case}: attempt {attempt} of {attempts} missed "
                      f"its moment ({run.missed_phase}); trying again")
    finally:
        # The Xvfb of this run ends with it: Wine's helpers must go first.
        subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], stderr=subprocess.DEVNULL)
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()

