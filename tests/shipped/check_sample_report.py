#!/usr/bin/env python3
"""launcher-check's reports of real executables, in both of its forms:
   check_sample_report.py <launcher-check> <sample Launcher.exe> <console tool.exe>
The sample launcher keeps the contract with every finding ok, and its JSON
says what its text says; a console tool that is no launcher is refused for
its subsystem, its manifest and its missing runtime."""
import json
import subprocess
import sys

checker, sample, console = sys.argv[1:4]


def run(*arguments):
    return subprocess.run([checker, *arguments], capture_output=True, text=True)


def fail(message, output):
    sys.exit(f"check_sample_report: {message}\n{output}")


text = run(sample)
if text.returncode != 0:
    fail("the sample launcher was refused", text.stdout)
as_json = run("--json", sample)
report = json.loads(as_json.stdout)
if as_json.returncode != 0 or not report["passed"]:
    fail("the JSON report does not pass", as_json.stdout)
roles = [finding["role"] for finding in report["findings"]]
expected = ["EXECUTABLE", "IMPORTS", "MANIFEST", "SIGNATURE", "ICON", "RUNTIME", "LDR", "SPLASH", "XLS", "EXT",
            "SPLASH_DATA", "DIALOG", "BITMAP", "UPDATER", "UPDATE_DATA", "CHM", "XLAM", "XLA"]
if roles != expected:
    fail(f"findings {roles}", as_json.stdout)
lines = text.stdout.splitlines()[:-1]
for line, finding in zip(lines, report["findings"]):
    if finding["verdict"] != "ok" or line.split()[0] != finding["role"] or finding["why"] not in line:
        fail(f"text and JSON disagree on {finding}", text.stdout)

refused = run(console)
errors = {line.split()[0] for line in refused.stdout.splitlines() if "  error  " in line}
if refused.returncode != 1 or not {"EXECUTABLE", "MANIFEST", "RUNTIME"} <= errors:
    fail("the console tool was not refused for what it lacks", refused.stdout)
print(text.stdout, end="")
