#!/usr/bin/env python3
"""A program Wine failed to start is started again, and only such a one:
a stand-in for the Wine loader fails its first starts, as start.exe does
or without a word, then runs the program."""
import os
import sys
import tempfile
from pathlib import Path

from program_run import START_ATTEMPTS, START_FAILURE, ProgramRun

STAND_IN = """count=$(cat "$0.count" 2>/dev/null || echo 0)
echo $((count + 1)) > "$0.count"
if [ "$count" -lt "$FAILED_STARTS" ]; then
  [ "$SILENT" ] || echo "{failure}: File not found." >&2
  exit 1
fi
echo "ran $1"
exit 7
"""


def main():
    failures = []
    last = START_ATTEMPTS - 1
    # (starts Wine fails, silently, whether the program prints on every
    # run; the exit code and output expected, starts made)
    rows = [(0, False, False, 7, "ran tool", 1),
            (last, False, False, 7, "ran tool", START_ATTEMPTS),
            (START_ATTEMPTS, False, False, 1, START_FAILURE, START_ATTEMPTS),
            (last, True, True, 7, "ran tool", START_ATTEMPTS),
            (last, True, False, 1, "", 1)]
    for failed, silent, prints_always, code, printed, attempts in rows:
        with tempfile.TemporaryDirectory() as folder:
            loader = Path(folder) / "wine"
            loader.write_text(STAND_IN.format(failure=START_FAILURE))
            restarts = []
            program = ProgramRun(
                ["bash", loader, "tool"], Path(folder) / "out.txt",
                prints_always=prints_always, on_restart=restarts.append,
                env={**os.environ, "FAILED_STARTS": str(failed),
                     "SILENT": "1" if silent else ""})
            seen = (program.wait(10), printed in program.output(),
                    program.attempts, len(restarts))
            if seen != (code, True, attempts, attempts - 1):
                failures.append(
                    f"{failed} failed starts (silent: {silent}, prints "
                    f"always: {prints_always}): exit code, output seen, "
                    f"starts, restarts told {seen}; expected {code}, True, "
                    f"{attempts}, {attempts - 1}\n  output: "
                    f"{program.output()!r}")
    for failure in failures:
        print(f"FAIL {failure}", file=sys.stderr)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
