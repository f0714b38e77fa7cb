"""The Excel automation double (ExcelDouble.exe) as Excel in a Wine prefix.

A case installs the server in a folder of its own (`install`), registers it
as the local server behind "Excel.Application" (`add_registration` into a
wine_run.RegistryEdit, or `register` on its own), runs its client, and reads
what the double saw (`read_journal`).

The journal beside the server has one entry per line, tab-separated, the
first field the wall-clock time in milliseconds since the Unix epoch, the
second the process id of the server that wrote it (each client gets a
server process of its own, and they share the journal); see
tests/doubles/excel_automation/journal_entry.h for the entries.
"""
import shutil
from pathlib import Path
from typing import NamedTuple

from program_run import ProgramRun
from wine_run import wine_loader, RegistryEdit, windows_path

# The class id compiled into the server
# (tests/doubles/excel_automation/excel_double_clsid.h): COM only hands the
# client an object when the server registers the class it was started for.
CLSID = "{6D1B3F0A-52C4-4E7B-9A8D-3C2E1F4B7A95}"
PROGID = "Excel.Application"
PROGID_KEY = r"HKEY_CLASSES_ROOT\Excel.Application"
CLSID_KEY = r"HKEY_CLASSES_ROOT\CLSID" + "\\" + CLSID
# What a case removes to start without an Excel.
KEYS = [PROGID_KEY, CLSID_KEY]

SERVER_NAME = "ExcelDouble.exe"
JOURNAL_NAME = "excel_double.journal"
SETTINGS_NAME = "excel_double.settings"


def install(server_exe, folder, settings=""):
    """Copies the server into `folder` (made afresh) with `settings` (the
    key=value lines the server reads at start; see double_settings.h) and
    no journal yet. Returns the server's path in `folder`."""
    folder = Path(folder)
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    server = folder / SERVER_NAME
    shutil.copyfile(server_exe, server)
    if settings:
        (folder / SETTINGS_NAME).write_text(settings)
    return server


def add_registration(edit, server_windows_path):
    """Adds to `edit` (anything with add(key, values), such as
    wine_run.RegistryEdit) the keys that make "Excel.Application" start the
    server at `server_windows_path`. Under Wine, HKCR writes land in
    HKLM\\Software\\Classes."""
    command = f'"{server_windows_path}" /Automation'
    edit.add(PROGID_KEY, {"": "Excel double"})
    edit.add(PROGID_KEY + r"\CLSID", {"": CLSID})
    edit.add(CLSID_KEY, {"": "Excel double"})
    edit.add(CLSID_KEY + r"\LocalServer32", {"": command})
    edit.add(CLSID_KEY + r"\ProgID", {"": PROGID})


def register(server, work):
    """Registers the server at the Unix path `server` in the prefix of
    WINEPREFIX with one `reg import`; the .reg file and reg's output stay in
    `work`. Raises RuntimeError when reg fails."""
    edit = RegistryEdit()
    add_registration(edit, windows_path(server))
    reg_file = Path(work) / "excel_double.reg"
    reg_file.write_text(edit.text(), encoding="utf-16")
    reg = ProgramRun([wine_loader(), "reg", "import", windows_path(reg_file)],
                     Path(work) / "excel_double_reg.txt", prints_always=True)
    if reg.wait(60) != 0:
        raise RuntimeError(f"reg import {reg_file} failed: "
                           f"{reg.output().strip()}")


class Entry(NamedTuple):
    """One journal line: its time, the server process that wrote it, its
    kind (names, invoke, foreground, window, setting-ignored, exit) and the
    fields after the kind."""
    ms: int
    pid: int
    kind: str
    fields: list

    def value(self, key):
        """The value of a key=value field; None when there is none."""
        for field in self.fields:
            name, equals, value = field.partition("=")
            if equals and name == key:
                return value
        return None


def read_journal(folder):
    """The entries of the journal in `folder`, oldest first; empty when the
    server never wrote one."""
    path = Path(folder) / JOURNAL_NAME
    if not path.exists():
        return []
    entries = []
    for line in path.read_text(encoding="utf-8").splitlines():
        ms, pid, kind, *fields = line.split("\t")
        entries.append(Entry(int(ms), int(pid), kind, fields))
    return entries


def journals_by_server(folder):
    """The entries of the journal in `folder` grouped by the server process
    that wrote them, in the order the servers first wrote."""
    servers = {}
    for entry in read_journal(folder):
        servers.setdefault(entry.pid, []).append(entry)
    return list(servers.values())
