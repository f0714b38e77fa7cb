"""One run of a program the tests start, Windows programs under Wine above
all: its output goes to files, never through a pipe, which Wine's helper
processes would hold open.

Now and then Wine fails to start a program at all. Mostly it hands the
start to start.exe, which prints START_FAILURE and ends; seen too: the
loader ending at once with exit code 1 and not a word. Either way the
program never ran, so it is started again, up to START_ATTEMPTS times in
all. Seen with reg, the file_facts tool and show_box, each once in some
twenty full test runs."""
import subprocess
import time
from pathlib import Path


# What Wine's start.exe prints when it could not start a program.
START_FAILURE = "ShellExecuteEx failed"
START_ATTEMPTS = 3


def now_ms():
    """Wall-clock milliseconds since the Unix epoch, as the doubles journal
    their times."""
    return time.time() * 1000


class ProgramRun:
    """`command` started with its standard output in `out_path` and its
    error output in `err_path`, or in `out_path` too when that is None.
    A program that `prints_always` prints on every run it makes, so one
    that ended without a word never ran. `on_restart`, when given, is told
    each start Wine failed to make."""

    def __init__(self, command, out_path, err_path=None, prints_always=False,
                 on_restart=None, **options):
        self.command = [str(part) for part in command]
        self.out_path = Path(out_path)
        self.err_path = Path(err_path) if err_path else None
        self.prints_always = prints_always
        self.on_restart, self.options = on_restart, options
        self.attempts = 0
        self._begin()

    def _begin(self):
        self.attempts += 1
        self.began_ms = now_ms()
        with open(self.out_path, "wb") as out:
            if self.err_path is None:
                self.process = subprocess.Popen(
                    self.command, stdout=out, stderr=subprocess.STDOUT,
                    **self.options)
                return
            with open(self.err_path, "wb") as err:
                self.process = subprocess.Popen(self.command, stdout=out,
                                                stderr=err, **self.options)

    def output(self):
        """What the program printed, on both streams."""
        paths = [self.out_path] + ([self.err_path] if self.err_path else [])
        return "".join(path.read_text(errors="replace") for path in paths)

    def never_ran(self):
        """Whether the program, which has ended, never ran."""
        output = self.output()
        return (START_FAILURE in output or
                (self.prints_always and not output.strip()))

    def poll(self):
        """The exit code once the program has ended; None while it runs,
        and when Wine failed to start it and it has been started again."""
        code = self.process.poll()
        if (code is None or self.attempts >= START_ATTEMPTS or
                not self.never_ran()):
            return code
        if self.on_restart:
            self.on_restart(self)
        self._begin()
        return None

    def wait(self, timeout):
        """The exit code; waits up to `timeout` seconds for each start.
        Raises subprocess.TimeoutExpired when a start runs longer."""
        while True:
            self.process.wait(timeout)
            code = self.poll()
            if code is not None:
                return code

    def kill(self):
        self.process.kill()
        self.process.wait()
