"""A start of the launcher ended from outside by the kill tool
(tools/kill_when.cpp): the moment it is ended at, what the tool journalled
of it, and which phase of the start that moment fell in."""
from dataclasses import dataclass
from pathlib import PureWindowsPath
from typing import Callable, Dict, List

from wine_run import (EXCEL_FOLDER, KILLED_EXIT_CODE, RUNTIME_JOURNAL,
                      RUNTIME_PATH, START_GUARD, TEMP_FOLDER, Run,
                      key_value_lines)

# Where the start stages its runtime archive, and where it extracts and
# installs the runtime module (its partial file, the module, the module
# double's journal).
STAGED_PATTERN = TEMP_FOLDER + r"\*.dat"
RUNTIME_PATTERN = RUNTIME_PATH + "*"
PARTIAL_PATTERN = RUNTIME_PATH + ".*.partial"
EXCEL_JOURNAL = EXCEL_FOLDER + r"\excel_double.journal"
# What the tool lists once the start is suspended and once it has ended.
DESCRIBED = [STAGED_PATTERN, RUNTIME_PATTERN, RUNTIME_JOURNAL, EXCEL_JOURNAL]

# The share of the module a partial file holds when its extraction has
# begun "early" (at most) or is "late" (at least).
EARLY_SHARE = 0.25
LATE_SHARE = 0.75


@dataclass
class KillMoment:
    """When the kill tool ends the case's first start: the condition it
    waits for, given the run (kind, subject, operand: see kill_when.cpp),
    and the phase the start must be found in at the kill."""
    phase: str
    condition: Callable[[Run], List[str]]

    def tool_arguments(self, run, executable):
        """The kill tool's arguments after its journal, ready and stop
        files, for the launcher installed as `executable`."""
        return [PureWindowsPath(executable).name, START_GUARD,
                KILLED_EXIT_CODE, *self.condition(run), *DESCRIBED]


def partial_of(pid, files):
    """The size of the file among `files` (path to size) that the start of
    process `pid` extracts the module into, named
    <module>.<pid>-<number>.partial; None when there is none."""
    prefix = f"{RUNTIME_PATH}.{pid}-"
    sizes = [size for path, size in files.items()
             if path.startswith(prefix) and path.endswith(".partial")]
    return sizes[0] if sizes else None


@dataclass
class KillSeen:
    """What the kill tool journalled of the start it ended: its process,
    when the condition held, when the start was suspended and when
    TerminateProcess was called (ms since the Unix epoch), whether the
    suspension worked and the start still ran then, its exit code, the
    start guard's state, and the files (Windows path to size) once the
    start was suspended and once it had ended."""
    pid: str
    condition_ms: int
    suspend_ms: int
    kill_ms: int
    suspended: bool
    running: bool
    exit_code: int
    guard: str
    before: Dict[str, int]
    after: Dict[str, int]

    def staged(self):
        """The staged archives listed once the start was suspended."""
        return {path: size for path, size in self.before.items()
                if path.lower().endswith(".dat")}


def read_kill(run):
    """The kill the tool journalled, or, when it ended nothing, a text
    telling why."""
    by_kind = {}
    for record in run.kill_records():
        by_kind.setdefault(record["record"], []).append(record)
    if "kill" not in by_kind:
        missed = by_kind.get("missed", [{}])[0]
        return ("the kill tool ended nothing: " +
                (f"{missed['reason']} (exit code {missed['exit_code']})"
                 if missed else "it journalled neither a kill nor a miss"))
    kill = by_kind["kill"][0]

    def files(moment):
        return {record["path"]: int(record["size"])
                for record in by_kind.get("file", [])
                if record["moment"] == moment}
    return KillSeen(
        pid=by_kind["target"][0]["pid"],
        condition_ms=int(by_kind["condition"][0]["time"]),
        suspend_ms=int(by_kind["suspend"][0]["time"]),
        kill_ms=int(kill["time"]),
        suspended=by_kind["suspend"][0]["result"] == "ok",
        running=kill["running"] == "yes",
        exit_code=int(kill["exit_code"]), guard=by_kind["guard"][0]["state"],
        before=files("before"), after=files("after"))


def split_journal(run, seen):
    """The runtime module double's records, split where the killed start
    ended: those it had written by then (the journal as long as it was
    once the start had ended), and those written after."""
    size = seen.after.get(RUNTIME_JOURNAL, 0)
    path = run.in_prefix(RUNTIME_JOURNAL)
    text = path.read_bytes().decode("ascii") if path.exists() else ""
    return key_value_lines(text[:size]), key_value_lines(text[size:])


def phase_at_kill(run, seen, module_size):
    """The phase of its run the start was in when it was ended, told from
    what it had left on disk by its end (it wrote nothing after) and the
    staged archive listed once it was suspended (which the system deletes
    as the start ends)."""
    if not seen.running or seen.exit_code != KILLED_EXIT_CODE:
        return "ended before the kill"
    at_kill, _ = split_journal(run, seen)
    records = {record["record"] for record in at_kill
               if record["pid"] == seen.pid}
    if "event-set" in records:
        return "after the splash"
    if "splash" in records:
        return "splash wait"
    partial = partial_of(seen.pid, seen.after)
    if partial is not None:
        if partial <= EARLY_SHARE * module_size:
            return "extracting early"
        if partial < LATE_SHARE * module_size:
            return "extracting"
        return ("extracting late" if partial < module_size
                else "extracted, not yet in place")
    if RUNTIME_PATH in seen.after:
        return "installed"
    return "staging" if seen.staged() else "before staging"


def describe_files(files):
    return ", ".join(f"{PureWindowsPath(path).name} {size} B"
                     for path, size in sorted(files.items())) or "none"
