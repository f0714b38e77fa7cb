#!/usr/bin/env python3
"""The Excel automation double as a real local COM server under Wine:
ExcelDouble.exe, registered as "Excel.Application" in the test prefix, is
driven across processes by automation_probe.exe. Its journal must hold every
call in order, with the foreground state at Open, and end with the server's
exit once the probe has released everything; told settings must change its
answers.

usage: excel_double_test.py <ExcelDouble.exe> <automation_probe.exe> <work>

The Wine prefix comes from WINEPREFIX and must be prepared (see prefix.sh).
Without an X display the script re-runs itself under xvfb-run.
"""
import subprocess
import sys
import time
from pathlib import Path

import excel_double_registry as double
from launcher_case import ensure_display
from program_run import ProgramRun
from wine_run import wine_loader, START_LIMIT_SECONDS, wait_for

WORKBOOK = r"C:\Data\Budget 2024.xlsx"
MACRO, MACRO_ARGUMENT = "SetupMacro", r"C:\Runtime\rt.dll"
# The server ends once its last object is released; allow for Wine's pace.
EXIT_LIMIT_SECONDS = 30
OK, EXCEPTION = "0x00000000", "0x80020009"


def call_entries(object_name, member, flags, hr, *arguments, named=""):
    """The names and invoke entries (without time) of one probe call."""
    invoke = [object_name, member, f"flags={flags}", "lcid=1024", "iid=null",
              f"named={named}", f"hr={hr}", *arguments]
    return [("names", [object_name, member, "lcid=1024"]), ("invoke", invoke)]


class Scenario:
    def __init__(self, name, work, failures):
        self.name, self.work, self.failures = name, work / name, failures

    def expect(self, condition, failure):
        if not condition:
            self.failures.append(f"{self.name}: {failure}")

    def run_probe(self, probe):
        """Runs the probe; returns its steps as {step: (hr, value)} and the
        wall-clock time its last start began, in ms."""
        program = ProgramRun(
            [wine_loader(), probe, WORKBOOK, MACRO, MACRO_ARGUMENT],
            self.work / "probe.txt", prints_always=True)
        code = program.wait(START_LIMIT_SECONDS)
        begin = program.began_ms
        self.expect(code == 0, f"probe exit code {code}")
        steps = {}
        for line in program.output().splitlines():
            fields = line.rstrip("\r").split("\t")
            if len(fields) == 3 and fields[1].startswith("hr="):
                steps[fields[0]] = (fields[1][3:], fields[2])
        return steps, begin

    def journal(self, begin):
        """The journal once the server has written its exit entry, as
        (kind, fields) pairs; checks the times on the way."""
        exited = wait_for(lambda: [e.kind for e in double.read_journal(
            self.work)][-1:] == ["exit"], EXIT_LIMIT_SECONDS)
        self.expect(exited, f"no exit entry within {EXIT_LIMIT_SECONDS} s")
        entries = double.read_journal(self.work)
        times = [entry.ms for entry in entries]
        self.expect(times == sorted(times), "times go backwards")
        now = time.time_ns() // 1_000_000
        self.expect(all(begin - 1000 <= ms <= now for ms in times),
                    f"times {times[:1]}..{times[-1:]} outside the run "
                    f"{begin}..{now}")
        print(f"{self.name}: {len(entries)} journal entries")
        return [(entry.kind, entry.fields) for entry in entries]

    def expect_steps(self, steps, expected):
        for step, (hr, value) in expected.items():
            got = steps.get(step)
            self.expect(got == (hr, value), f"probe step {step}: {got}, "
                        f"expected hr {hr} value {value!r}")

    def expect_journal(self, journal, expected):
        for index, (got, want) in enumerate(zip(journal, expected)):
            self.expect(got == want, f"journal entry {index}: {got}, "
                        f"expected {want}")
        self.expect(len(journal) == len(expected),
                    f"{len(journal)} journal entries, expected "
                    f"{len(expected)}")


def plain_run(server, probe, work, failures):
    """Default settings: every call succeeds, the probe brings the window
    to the front before Open."""
    case = Scenario("plain", work, failures)
    double.install(server, case.work)
    steps, begin = case.run_probe(probe)
    journal = case.journal(begin)
    window = journal[0][1][0] if journal and journal[0][0] == "window" else "?"
    case.expect_steps(steps, {
        "CLSIDFromProgID": (OK, double.CLSID), "CoCreateInstance": (OK, ""),
        "Workbooks": (OK, "object"), "Version": (OK, "12.0"),
        "Visible": (OK, "empty"), "HWND": (OK, window),
        "SetForegroundWindow": (OK, "yes"), "Open": (OK, "object"),
        "Name": (OK, "Budget 2024.xlsx"), "Run": (OK, "empty"),
        "done": (OK, "")})
    case.expect_journal(journal, [
        ("window", [window]),
        *call_entries("Application", "Workbooks", 2, OK),
        *call_entries("Application", "Version", 2, OK),
        *call_entries("Application", "Visible", 4, OK, "BOOL:-1", named="-3"),
        *call_entries("Application", "HWND", 2, OK),
        ("names", ["Workbooks", "Open", "lcid=1024"]),
        ("foreground", ["yes"]),
        ("invoke", ["Workbooks", "Open", "flags=1", "lcid=1024", "iid=null",
                    "named=", f"hr={OK}", f"BSTR:{WORKBOOK}"]),
        *call_entries("Workbook", "Name", 2, OK),
        *call_entries("Application", "Run", 1, OK, f"BSTR:{MACRO_ARGUMENT}",
                      f"BSTR:{MACRO}"),
        ("exit", [])])


def told_run(server, probe, work, failures):
    """Settings that change answers: an error value for Version, a failing
    HWND (so nobody brings the window forward) and a failing macro."""
    case = Scenario("told", work, failures)
    double.install(server, case.work, "Version=#ERROR\r\nfail=hwnd\r\n"
                   f"fail.run={MACRO}\r\ncolour=blue\r\n")
    steps, begin = case.run_probe(probe)
    journal = case.journal(begin)
    window = journal[1][1][0] if len(journal) > 1 else "?"
    case.expect_steps(steps, {
        "Version": (OK, "VT10"), "HWND": (EXCEPTION, "empty"),
        "Open": (OK, "object"), "Run": (EXCEPTION, "empty"),
        "done": (OK, "")})
    case.expect("SetForegroundWindow" not in steps,
                "the probe had a window handle to bring forward")
    case.expect_journal(journal, [
        ("setting-ignored", ["colour=blue"]),
        ("window", [window]),
        *call_entries("Application", "Workbooks", 2, OK),
        *call_entries("Application", "Version", 2, OK),
        *call_entries("Application", "Visible", 4, OK, "BOOL:-1", named="-3"),
        *call_entries("Application", "HWND", 2, EXCEPTION),
        ("names", ["Workbooks", "Open", "lcid=1024"]),
        # Shown without activation: only a client can bring it forward.
        ("foreground", ["no"]),
        ("invoke", ["Workbooks", "Open", "flags=1", "lcid=1024", "iid=null",
                    "named=", f"hr={OK}", f"BSTR:{WORKBOOK}"]),
        *call_entries("Workbook", "Name", 2, OK),
        *call_entries("Application", "Run", 1, EXCEPTION,
                      f"BSTR:{MACRO_ARGUMENT}", f"BSTR:{MACRO}"),
        ("exit", [])])


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    ensure_display()
    server, probe = Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve()
    work = Path(sys.argv[3]).resolve()
    failures = []
    try:
        work.mkdir(parents=True, exist_ok=True)
        double.register(work / "plain" / double.SERVER_NAME, work)
        plain_run(server, probe, work, failures)
        double.register(work / "told" / double.SERVER_NAME, work)
        told_run(server, probe, work, failures)
    finally:
        # The Xvfb of this run ends with it: Wine's helpers must go first.
        subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], stderr=subprocess.DEVNULL)
    for failure in failures:
        print(f"FAILED: {failure}")
    print(f"excel_double: {len(failures)} failure(s)")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
