"""The launcher starts the Wine tests make, each with what it arranges before
the start and what it checks after it."""
import math
import subprocess
from collections import Counter
from dataclasses import dataclass, field
from typing import Callable, List, Optional, Union

import excel_double_registry as excel_double
from killed_start import (EXCEL_JOURNAL, KillMoment, LATE_SHARE,
                          PARTIAL_PATTERN, STAGED_PATTERN, describe_files,
                          partial_of, phase_at_kill, read_kill,
                          split_journal)
from wine_run import (PRODUCT_FOLDER, RUNTIME_PATH, RUNTIME_NAME, TEMP_FOLDER,
                      ARCHIVE_ATTRIBUTE, workbook_path_failed, Run, HKCU, HKLM,
                      ADDIN_KEY, PROGID_KEY, CLSID_KEY, CASE_KEYS, office_key,
                      HKLM_32_BIT_VIEW, CLSID_KEY_32_BIT_VIEW,
                      ut_times, REGISTERED_FOLDER, OFFICE_FOLDER, EXCEL_FOLDER,
                      HELP_FILE, KATAKANA_HELP_FILE, TEMP_ADDIN,
                      FALLBACK_PRODUCT_FOLDER, KANJI_FOLDER, CYRILLIC_FOLDER,
                      CHINESE_FOLDER, CYRILLIC_LOCAL_APP_DATA,
                      CYRILLIC_PRODUCT_FOLDER, WESTERN_HELP_NAME,
                      UTF8_HELP_NAME,
                      KANJI_PRODUCT_FOLDER, Expandable, USER_SHELL_FOLDERS_KEY,
                      WINDOWS_KEY, LAUNCH_LIMIT_SECONDS, START_LIMIT_SECONDS,
                      fnv1a64, DOWNLOADS, CURRENT_FOLDER, SUPPORT_NAME,
                      RUNTIME_JOURNAL)


@dataclass
class Start:
    """A start of the case's launcher after its first one."""
    # Another built launcher, put at the case's install path before this
    # start, as an update of the application would; empty: the one there.
    launcher: str = ""
    # None: this start begins once every earlier one has ended; seconds:
    # it begins that long after the previous start began, while that one
    # may still run (the same launcher started again).
    after_previous_began: Optional[float] = None
    # Checks what the earlier starts left, made before this one begins.
    check_before: Optional[Callable[[Run], None]] = None

    def __post_init__(self):
        if self.after_previous_began is not None and (
                self.launcher or self.check_before):
            raise ValueError("a start beside a running one can neither "
                             "replace the launcher nor check before it")


@dataclass
class Case:
    launcher: str                       # built launcher, relative to the tree
    # The message texts expected, in order; or what gives them once the case
    # is arranged, from what the Wine in use answers.
    boxes: Union[List[str], Callable[[Run], List[str]]]
    install_as: str = r"C:\Tools\Budget.exe"
    arrange: Callable[[Run], None] = lambda run: None
    verify: Callable[[Run], None] = lambda run: None
    holder: str = ""                    # a module another process keeps loaded
    # The settings the Excel double is started with (see double_settings.h);
    # None: no Excel is registered.
    excel: Optional[str] = ""
    # The Unix locale the launcher runs under, from which Wine takes the ANSI
    # code page; empty: the test's own (Windows-1252).
    locale: str = ""
    # The folder of the prefix the launcher is started in (its current
    # folder); empty: the test's own, outside drive C:.
    current_folder: str = ""
    # Load orders for the launcher's starts, added to WINEDLLOVERRIDES
    # ("shell32=n,b": a shell32.dll file found first is loaded, as Windows'
    # loader would, where Wine takes its builtin one whatever file it finds).
    dll_overrides: str = ""
    # The starts after the first, in order.
    further_starts: List[Start] = field(default_factory=list)
    # Whether the staging prober watches the temporary folder meanwhile.
    probe_staging: bool = False
    # Whether the message prober sends messages to the launcher's windows
    # meanwhile.
    probe_messages: bool = False
    # How long any one start may take before it counts as hung.
    start_limit_seconds: int = LAUNCH_LIMIT_SECONDS
    # The moment the kill tool ends the first start at; None: no start is
    # ended from outside.
    kill: Optional[KillMoment] = None
    # How long the scanner holds each new file of the product folder, which
    # the case must have made (tools/scanner.cpp); 0: no scanner.
    scanner_hold_ms: int = 0
    # Files of the product folder the scanner holds from its start, as if
    # they had just appeared.
    scanned_earlier: List[str] = field(default_factory=list)


def verify_runtime_at(path):
    return lambda run: verify_installed_runtime(run, path)


SAMPLE_RUNTIME_ARCHIVE = "payload/sample/runtime.zip"


def verify_installed_runtime(run, path=RUNTIME_PATH, variant=29,
                             archive=SAMPLE_RUNTIME_ARCHIVE):
    """The runtime double `variant`, carried zipped as `archive` (relative
    to the build tree), was installed at `path` as the archive says."""
    facts = run.file_facts(path)
    run.expect(facts is not None, f"no runtime module at {path}")
    if facts is None:
        return
    installed = run.in_prefix(path).read_bytes()
    run.expect(installed == run.runtime_double(variant).read_bytes(),
               "the installed runtime module differs from the one carried")
    run.expect(facts["attributes"] & ARCHIVE_ATTRIBUTE,
               f"attributes {facts['attributes']:#x} lack the archive bit")
    # Only the modification time stays as the archive says: the launcher
    # loads the module for the splash right after installing it, which
    # updates its access time.
    ticks = ut_times(run.build / archive)["modification"]
    run.expect(facts["modification"] == ticks,
               f"modification time {facts['modification']}, the archive says "
               f"{ticks}")
    verify_no_staging_files(run)


def verify_no_staging_files(run):
    left = sorted(p.name for p in run.in_prefix(TEMP_FOLDER).glob("*.dat"))
    run.expect(not left, f"staging files left in the temporary folder: {left}")


def put_old_runtime(run):
    run.put(RUNTIME_PATH, run.runtime_double(28))


def verify_runtime_is(version, path=RUNTIME_PATH):
    def verify(run):
        installed = run.in_prefix(path)
        run.expect(installed.is_file(), f"no runtime module at {path}")
        run.expect(not installed.is_file() or installed.read_bytes() ==
                   run.runtime_double(version).read_bytes(),
                   f"the runtime module is not version {version}'s")
    return verify


READ_ONLY_ATTRIBUTE = 0x1


def verify_read_only_runtime_is(version):
    """The runtime module is version `version`'s and read-only."""
    def verify(run):
        verify_runtime_is(version)(run)
        facts = run.file_facts(RUNTIME_PATH)
        attributes = facts["attributes"] if facts else 0
        run.expect(attributes & READ_ONLY_ATTRIBUTE,
                   f"the runtime module's attributes {attributes:#x} lack "
                   "the read-only bit")
    return verify


def verify_no_runtime_left(run):
    run.expect(run.file_facts(RUNTIME_PATH) is None,
               f"a file was left at {RUNTIME_PATH}")
    verify_no_staging_files(run)


# A drive the prefix does not have: the shell can neither find nor create a
# folder there, so it reports none.
MISSING_DRIVE = "Q:"


def local_app_data_at(folder):
    def arrange(run):
        run.registry.add(USER_SHELL_FOLDERS_KEY,
                         {"Local AppData": Expandable(folder)})
    return arrange


local_app_data_out_of_reach = local_app_data_at(MISSING_DRIVE + r"\Local")


def make_folder(folder):
    return lambda run: run.in_prefix(folder).mkdir(parents=True)


def nothing_made_in(parent):
    """An arrangement that notes the entries of `parent`, and a verification
    that the launcher added none (such as a folder named after the first
    byte of a double-byte character)."""
    noted = set()

    def entries(run):
        return {path.name for path in run.in_prefix(parent).iterdir()}

    def arrange(run):
        noted.update(entries(run))

    def verify(run):
        made = entries(run) - noted
        run.expect(not made, f"made in {parent}: {sorted(made)}")
    return arrange, verify


NOTE_DRIVE_C, VERIFY_NOTHING_MADE_IN_DRIVE_C = nothing_made_in("C:\\")


def program_files_out_of_reach(run):
    run.registry.add(WINDOWS_KEY,
                     {"ProgramFilesDir": MISSING_DRIVE + r"\Program Files"})


def verify_nothing_installed(run):
    for folder in (PRODUCT_FOLDER, FALLBACK_PRODUCT_FOLDER):
        run.expect(not run.in_prefix(folder).exists(), f"{folder} was created")
    verify_no_staging_files(run)


# --- the add-in registration and the runtime version gate -----------------

RUNTIME_TOO_OLD = (
    "This file was compiled with newer version of Sheltra Runtime than "
    "installed on your PC.\nPlease, install the most recent version of "
    "Sheltra Runtime, which can be downloaded from our website "
    "https://www.quorvane.com/sheltra/runtime")
# Modules the registration can name besides the runtime doubles: a file
# that is no module, a module without the RtmGetVersion export, no file.
TEXT_FILE = REGISTERED_FOLDER + r"\text\SheltraRuntime.dll"
SYSTEM_MODULE = r"C:\windows\system32\version.dll"
NO_FILE = REGISTERED_FOLDER + r"\missing\SheltraRuntime.dll"


# The runtime double that imports SheltraSupport.dll.
SUPPORTED_RUNTIME = "29_support"
REGISTERED_SUPPORTED_FOLDER = REGISTERED_FOLDER + rf"\v{SUPPORTED_RUNTIME}"


def registered_module_path(variant):
    return REGISTERED_FOLDER + rf"\v{variant}\SheltraRuntime.dll"


def put_module(run, module):
    """Puts `module` in place and returns its path: 28, 29 or
    SUPPORTED_RUNTIME is that runtime double, TEXT_FILE is written, other
    paths are used as they are."""
    if isinstance(module, int) or module == SUPPORTED_RUNTIME:
        path = registered_module_path(module)
        run.put(path, run.runtime_double(module))
        return path
    if module == TEXT_FILE:
        run.put_text(module, "a text file, not a module\n")
    return module


def registered(module, root=HKCU, load_behavior=3, progid=True):
    """An arrange step registering the add-in under `root` with `module` as
    its COM server."""
    def arrange(run):
        path = put_module(run, module)
        run.registry.add(rf"{root}\{ADDIN_KEY}",
                         {"LoadBehavior": load_behavior})
        if progid:
            run.registry.add(PROGID_KEY)
        run.registry.add(CLSID_KEY + r"\InprocServer32", {"": path})
    return arrange


def user_key_not_loading(run):
    run.registry.add(rf"{HKCU}\{ADDIN_KEY}", {"LoadBehavior": 2})


def steps(*arrangements):
    def arrange(run):
        for arrangement in arrangements:
            arrangement(run)
    return arrange


def registered_in_the_32_bit_view(module):
    """An arrange step registering the add-in for the machine as a 32-bit
    installer does on 64-bit Windows: the add-in key and the class in the
    32-bit view, which 64-bit programs do not read."""
    def arrange(run):
        path = put_module(run, module)
        run.registry.add(HKLM_32_BIT_VIEW + ADDIN_KEY.removeprefix("Software"),
                         {"LoadBehavior": 3})
        run.registry.add(PROGID_KEY)
        run.registry.add(CLSID_KEY_32_BIT_VIEW + r"\InprocServer32", {"": path})
    return arrange


def gate_refuses(arrange, **case):
    """A registered module that fails the gate: the one message, and the run
    ends before it installs anything; `case` adds to the Case (its verify
    runs after that check)."""
    verify = case.pop("verify", lambda run: None)
    return Case(launcher="payload/Launcher.exe", boxes=[RUNTIME_TOO_OLD],
                arrange=arrange, **case,
                verify=verify_all(verify_nothing_installed, verify))


def not_registered(arrange):
    """A registration that does not count: its version-28 module would fail
    the gate, so no message shows that the gate was skipped, and the run
    goes on to install the runtime."""
    return Case(launcher="payload/Launcher.exe", boxes=[], arrange=arrange,
                verify=verify_runtime_is(29))


# --- Excel's resiliency records --------------------------------------------

def install_excel(run, generation, path, with_excel=True):
    """Registers `path` as the generation's install root; with_excel puts an
    excel.exe there, whose bytes do not matter, only that it exists."""
    folder = run.in_prefix(path)
    folder.mkdir(parents=True, exist_ok=True)
    if with_excel:
        (folder / "excel.exe").write_text("a stand-in for Excel\n")
    run.registry.add(office_key(HKLM, generation) + r"\Excel\InstallRoot",
                     {"Path": path})


def resiliency(generation):
    return office_key(HKCU, generation) + r"\Excel\Resiliency"


# Beside Excel 12's resiliency key, for the cleanup to leave alone.
OPTIONS_12 = office_key(HKCU, 12) + r"\Excel\Options"


def excel_12_resiliency(*records):
    """An arrange step: Excel 12 installed, its resiliency key holding
    `records`, another subkey and a value; Excel 11, not installed, has
    records too."""
    def arrange(run):
        install_excel(run, 12, OFFICE_FOLDER + "\\Office12\\")
        for record in records:
            run.registry.add(resiliency(12) + "\\" + record)
        run.registry.add(resiliency(12) + r"\DocumentRecovery")
        run.registry.add(resiliency(12), {"Marker": 1})
        run.registry.add(OPTIONS_12, {"Marker": 1})
        run.registry.add(resiliency(11) + r"\DisabledItems")
    return arrange


def generations_with_records(run):
    """Excel 12's root holds no excel.exe; Excel 11's root lacks the final
    backslash; Excel 10's is complete, but 11 is looked at first."""
    install_excel(run, 12, OFFICE_FOLDER + "\\Office12\\", with_excel=False)
    install_excel(run, 11, OFFICE_FOLDER + "\\Office11")
    install_excel(run, 10, OFFICE_FOLDER + "\\Office10\\")
    for generation in (12, 11, 10):
        run.registry.add(resiliency(generation) + r"\DisabledItems")


BARE_RESILIENCY = HKCU + r"\Excel\Resiliency"


def records_without_excel(run):
    install_excel(run, 12, OFFICE_FOLDER + "\\Office12\\", with_excel=False)
    run.registry.add(resiliency(12) + r"\StartupItems")
    run.registry.add(BARE_RESILIENCY + r"\StartupItems")


def verify_keys(present=(), absent=()):
    def verify(run):
        wanted = [key.lower() for key in (*present, *absent)]
        roots = {root for root in CASE_KEYS
                 if any(key == root.lower() or
                        key.startswith(root.lower() + "\\") for key in wanted)}
        keys = set().union(*map(run.registry_keys, sorted(roots)))
        for key in present:
            run.expect(key.lower() in keys, f"{key} is gone")
        for key in absent:
            run.expect(key.lower() not in keys, f"{key} is still there")
    return verify


# --- the splash, the help file and the Excel launch ------------------------

WORKBOOK = r"C:\Tools\Budget.xlam"
XLAM_NAME = r"\shLdr.xlam"
XLAM_PATH = PRODUCT_FOLDER + XLAM_NAME
XLA_PATH = PRODUCT_FOLDER + r"\shLdr.xla"
SETUP_MACRO = "SetupSheltraRtmModule"


def start_calls(addin, runtime=RUNTIME_PATH):
    """What Excel is asked before it is shown when the runtime module is not
    registered: its workbooks, its version, the loader add-in and the setup
    macro with the runtime path (the list holds Run's last argument first)."""
    return ["Application.Workbooks 2", "Application.Version 2",
            f"Workbooks.Open 1 BSTR:{addin}",
            f"Application.Run 1 BSTR:{runtime} BSTR:{SETUP_MACRO}"]


def show_and_open_calls(workbook=WORKBOOK):
    return ["Application.Visible 4 BOOL:-1", "Application.Activate 1",
            "Application.HWND 2", f"Workbooks.Open 1 BSTR:{workbook}",
            "Application.Run 1 BSTR:Auto_Open",
            "Application.ScreenUpdating 4 BOOL:-1"]


FULL_START = start_calls(XLAM_PATH) + show_and_open_calls()


def excel_calls(run):
    """Every Invoke the Excel double received: "Object.Member flags args"."""
    return calls_in(excel_double.read_journal(run.in_prefix(EXCEL_FOLDER)))


def calls_in(entries):
    """The Invoke entries among `entries`: "Object.Member flags args"."""
    calls = []
    for entry in entries:
        if entry.kind == "invoke":
            obj, member, flags, *rest = entry.fields
            arguments = [field for field in rest if "=" not in field
                         or field.startswith("BSTR:")]
            calls.append(" ".join([f"{obj}.{member}", flags.split("=")[1],
                                   *arguments]))
    return calls


def expect_calls(run, calls, expected, which="Excel"):
    run.expect(calls == expected,
               f"{which} received:\n    " + "\n    ".join(calls) +
               "\n  expected:\n    " + "\n    ".join(expected))


def verify_calls(expected):
    return lambda run: expect_calls(run, excel_calls(run), expected)


def verify_calls_per_start(expected):
    """Each start of the launcher had an Excel of its own (the double serves
    one client a process), and each received `expected`."""
    def verify(run):
        servers = excel_double.journals_by_server(run.in_prefix(EXCEL_FOLDER))
        run.expect(len(servers) == len(run.starts),
                   f"{len(servers)} Excel processes for {len(run.starts)} "
                   "starts")
        for number, server in enumerate(servers, 1):
            expect_calls(run, calls_in(server), expected,
                         f"Excel process {number}")
    return verify


def verify_excel_in_front(run):
    """The launcher had brought Excel's window to the front by the time
    Excel was asked to open the workbook."""
    seen = [entry.fields[0] for entry in
            excel_double.read_journal(run.in_prefix(EXCEL_FOLDER))
            if entry.kind == "foreground"]
    run.expect(seen[-1:] == ["yes"],
               f"Excel's window in front at each Open: {seen}, the last "
               "should be yes")


def verify_addin(path, resource):
    def verify(run):
        written = run.in_prefix(path)
        expected = (run.build / "payload" / "sample" / resource).read_bytes()
        run.expect(written.is_file() and written.read_bytes() == expected,
                   f"{path} does not hold the {resource} resource")
    return verify


SAMPLE_SPLASH = "payload/sample/splash.zip"


def verify_splash(duration, data, waited=True):
    """The runtime module was handed the SPLASH bytes, the duration and the
    SplashData words; with `waited`, the launcher exited only after the
    module had set the splash event."""
    def verify(run):
        journal = run.runtime_journal()
        splashes = [r for r in journal if r["record"] == "splash"]
        run.expect(len(splashes) == 1,
                   f"{len(splashes)} splash hand-overs, expected 1")
        if not splashes:
            return
        splash = splashes[0]
        picture = (run.build / SAMPLE_SPLASH).read_bytes()
        run.expect((int(splash["size"]), splash["fnv1a64"]) ==
                   (len(picture), fnv1a64(picture)),
                   "the splash bytes handed over differ from the resource")
        run.expect((splash["duration"], splash["data"]) == (duration, data),
                   f"splash duration {splash['duration']} and data "
                   f"{splash['data']}, expected {duration} and {data}")
        events = [int(r["time"]) for r in journal if r["record"] == "event-set"]
        run.expect(len(events) == (1 if waited else 0),
                   f"{len(events)} splash events set")
        if waited and events and run.launcher_ended_ms is not None:
            run.expect(events[0] <= run.launcher_ended_ms,
                       "the launcher exited before the splash had ended")
    return verify


def verify_no_splash(run):
    records = [r["record"] for r in run.runtime_journal()]
    run.expect(not records, f"the runtime module journalled {records}")


def verify_help_file(content, name=HELP_FILE):
    def verify(run):
        path = run.in_prefix(name)
        run.expect(path.is_file() and path.read_bytes() == content,
                   f"{name} does not hold {content!r}")
    return verify


# A partial help file a killed start left, and another program's file of
# that form in the shared temporary folder.
HELP_LEFTOVER = HELP_FILE + ".4242-1234567.partial"
OTHER_PROGRAMS_PARTIAL = TEMP_FOLDER + r"\Notes.chm.4242-1234567.partial"


def put_help_leftovers(run):
    for path in (HELP_LEFTOVER, OTHER_PROGRAMS_PARTIAL):
        run.put_text(path, "part of a file\n")


def verify_only_help_leftover_removed(run):
    run.expect(not run.in_prefix(HELP_LEFTOVER).exists(),
               f"{HELP_LEFTOVER} was left")
    run.expect(run.in_prefix(OTHER_PROGRAMS_PARTIAL).exists(),
               f"{OTHER_PROGRAMS_PARTIAL} was removed")


def verify_no_help_file(run):
    run.expect(not run.in_prefix(HELP_FILE).exists(),
               f"{HELP_FILE} was written")


def read_only_help_file(run):
    """A help file of an earlier start that cannot be rewritten. The tests
    run as root, for whom Wine writes a file without write permission
    anyway, so the file is made immutable (undone before the next case)."""
    run.put_text(HELP_FILE, "the help file of an earlier start\n")
    subprocess.run(["chattr", "+i", run.in_prefix(HELP_FILE)], check=True)


def verify_help_file_kept(run):
    path = run.in_prefix(HELP_FILE)
    run.expect(path.read_text() == "the help file of an earlier start\n",
               "the read-only help file was changed")


def server_missing(run):
    (run.in_prefix(EXCEL_FOLDER) / excel_double.SERVER_NAME).unlink()


# The creation failures the launcher words as a missing Excel:
# CO_E_CLASSSTRING and REGDB_E_CLASSNOTREG.
EXCEL_NOT_REGISTERED = {0x800401F3, 0x80040154}


def boxes_for_excel_creation(run):
    """The message the launcher owes for the answer this Wine gives when
    Excel is created as the case arranged it, asked by the probe client."""
    failure = run.excel_creation_failure()
    if failure is None:
        return []
    if failure in EXCEL_NOT_REGISTERED:
        return [EXCEL_MISSING]
    return ["Sheltra was unable to launch Excel application. Error code: "
            f"0x{failure:08X}"]


def verify_all(*verifications):
    def verify(run):
        for verification in verifications:
            verification(run)
    return verify


# --- a launcher downloaded and started from there ---------------------------
# A downloaded launcher shares its folder with whatever else was downloaded,
# and may be started in any current folder: a DLL in either must never be
# loaded in place of a system DLL or of one the runtime module imports.

DOWNLOADED_LAUNCHER = DOWNLOADS + r"\Budget.exe"
DOWNLOADED_SHOW_AND_OPEN = show_and_open_calls(DOWNLOADS + r"\Budget.xlam")
DOWNLOADED_START = start_calls(XLAM_PATH) + DOWNLOADED_SHOW_AND_OPEN
SUPPORTED_RUNTIME_LAUNCHER = "tests/e2e/LauncherWithSupportedRuntime.exe"
PLANT_FOLDERS = (DOWNLOADS, CURRENT_FOLDER)


def copies_of_support(name, *folders):
    """An arrange step putting the support module double, named `name`, in
    each of `folders`. A program started in CURRENT_FOLDER must find the copy
    there by its bare name: so the starts of a case really have it as their
    current folder."""
    def arrange(run):
        for folder in folders:
            run.put(folder + "\\" + name, run.support_double())
        if CURRENT_FOLDER in folders:
            run.expect(run.file_facts(name, current_folder=CURRENT_FOLDER)
                       is not None, f"a program started in {CURRENT_FOLDER} "
                       f"does not find {name} there by its name")
    return arrange


planted_support = copies_of_support(SUPPORT_NAME, *PLANT_FOLDERS)
# Where the runtime's own setup puts the DLL its module imports.
support_beside_runtime = copies_of_support(SUPPORT_NAME, PRODUCT_FOLDER)
support_beside_registered_runtime = copies_of_support(
    SUPPORT_NAME, REGISTERED_SUPPORTED_FOLDER)


def verify_never_loaded(*folders):
    def verify(run):
        for folder in folders:
            loads = [r["module"] for r in run.support_loads(folder)]
            run.expect(not loads, f"the DLL planted in {folder} was loaded: "
                       f"{loads}")
    return verify


def verify_loaded_by_launcher(folder):
    """The copy of the support module double in `folder` was loaded by the
    process of the launcher started from the download folder."""
    def verify(run):
        processes = {r["process"].lower() for r in run.support_loads(folder)}
        run.expect(DOWNLOADED_LAUNCHER.lower() in processes,
                   f"the launcher did not load {SUPPORT_NAME} from {folder} "
                   f"(loaded there by: {sorted(processes)})")
    return verify


def downloaded(launcher, arrange, verify, **case):
    """A launcher started from the download folder, in CURRENT_FOLDER."""
    return Case(launcher=launcher, boxes=[], install_as=DOWNLOADED_LAUNCHER,
                current_folder=CURRENT_FOLDER, arrange=arrange, verify=verify,
                **case)


# --- later starts: an update, a start beside a running one ------------------

def put_read_only_old_runtime(run):
    """Version 28 as an earlier start installed it from a read-only entry.
    Wine shows a file without write permission as read-only."""
    put_old_runtime(run)
    run.in_prefix(RUNTIME_PATH).chmod(0o444)


LARGE_RUNTIME = "29_large"
LARGE_RUNTIME_LAUNCHER = "tests/e2e/LauncherWithLargeRuntime.exe"
LARGE_RUNTIME_ARCHIVE = "tests/e2e/large_runtime.zip"


def verify_large_runtime_installed(run):
    verify_installed_runtime(run, variant=LARGE_RUNTIME,
                             archive=LARGE_RUNTIME_ARCHIVE)


def splash_records(run):
    return [r for r in run.runtime_journal() if r["record"] == "splash"]


def verify_complete_module_splashes(count, variant=LARGE_RUNTIME):
    """`count` splash hand-overs, from as many processes, each by a module
    whose file was the complete `variant` module when the splash began."""
    def verify(run):
        splashes = splash_records(run)
        processes = {splash["pid"] for splash in splashes}
        run.expect(len(splashes) == count == len(processes),
                   f"{len(splashes)} splash hand-overs from {len(processes)} "
                   f"processes, expected {count} from {count}")
        for splash in splashes:
            expect_complete_module(run, splash, variant)
    return verify


def expect_complete_module(run, splash, variant=LARGE_RUNTIME):
    """The module file was the complete `variant` module when the splash
    record `splash` began."""
    size, digest = run.digest(run.runtime_double(variant))
    seen = (splash["module_size"], splash["module_fnv1a64"])
    run.expect(seen == (str(size), digest),
               f"process {splash['pid']} splashed from a module file "
               f"of {seen[0] or '?'} bytes, FNV-1a {seen[1] or '?'}; "
               f"the module carried has {size}, {digest}")


def seconds_after(ms, origin_ms):
    return f"+{(int(ms) - origin_ms) / 1000:.2f} s"


def note_runtime_size(run):
    module = run.runtime_double(LARGE_RUNTIME).stat().st_size
    archive = (run.build / LARGE_RUNTIME_ARCHIVE).stat().st_size
    run.notes.append(f"runtime module {module / 2**20:.1f} MiB, carried "
                     f"zipped in {archive / 2**20:.1f} MiB")


def note_splash_waits(run):
    """Tells when each splash began and ended, from the first start's
    begin, and how long the start that began second waited for its splash:
    from its own begin, and from the earlier splash's end."""
    if not run.starts:
        return
    origin = run.starts[0].begin_ms
    journal = run.runtime_journal()
    ended = {r["pid"]: r["time"] for r in journal if r["record"] == "event-set"}
    splashes = sorted(splash_records(run), key=lambda r: int(r["time"]))
    for splash in splashes:
        end = ended.get(splash["pid"])
        run.notes.append(
            f"splash of process {splash['pid']}: began "
            f"{seconds_after(splash['time'], origin)}, ended "
            f"{seconds_after(end, origin) if end else 'never'}")
    if len(splashes) == 2 == len(run.starts):
        later = int(splashes[1]["time"])
        run.notes.append(
            "the start that began second waited "
            f"{(later - run.starts[1].begin_ms) / 1000:.2f} s for its splash")
        earlier_end = ended.get(splashes[0]["pid"])
        if earlier_end:
            gap = (later - int(earlier_end)) / 1000
            run.notes.append(
                f"the later splash began {gap:.2f} s after the earlier one "
                "ended" if gap >= 0 else "the later splash began while the "
                f"earlier one was shown, {-gap:.2f} s before it ended")


def concurrent_starts(delay):
    """The large-runtime launcher started again `delay` seconds after its
    first start began, as a user who double-clicks twice: both install and
    load the complete module for their splash, each has its Excel, no
    message, and neither waits without end."""
    return Case(
        launcher=LARGE_RUNTIME_LAUNCHER, boxes=[],
        further_starts=[Start(after_previous_began=delay)],
        start_limit_seconds=START_LIMIT_SECONDS,
        verify=verify_all(verify_large_runtime_installed,
                          verify_complete_module_splashes(2),
                          verify_calls_per_start(FULL_START),
                          note_runtime_size, note_splash_waits))


def verify_staging_out_of_reach(run):
    """The staging prober saw the staged archive and could neither open it,
    nor rename nor delete it."""
    probes = run.staging_probes()
    files = sorted({probe["file"] for probe in probes})
    run.expect(files, "the staging prober saw no staging file")
    reached = sorted({f"{probe['attempt']} {probe['file']}"
                      for probe in probes if probe["result"] == "ok"})
    run.expect(not reached, "another program could: " + ", ".join(reached))
    origin = run.starts[0].begin_ms if run.starts else 0
    for name in files:
        tries = [probe for probe in probes if probe["file"] == name]
        outcomes = Counter(f"{probe['attempt']} {probe['result']} (error "
                           f"{probe['error']})" for probe in tries)
        run.notes.append(
            f"staging file {name} tried from "
            f"{seconds_after(tries[0]['time'], origin)} to "
            f"{seconds_after(tries[-1]['time'], origin)}: " +
            ", ".join(f"{outcome} x{count}"
                      for outcome, count in sorted(outcomes.items())))


# --- a start killed from outside --------------------------------------------
# A start of the large-runtime launcher is ended with TerminateProcess at a
# moment of its runtime installation or of its splash wait, and the same
# launcher is started again. Whatever the killed start left, the next start
# installs the complete module, shows its splash and runs to Excel without
# a message. The kill tool keeps the start guard open across the kill, so
# the next start meets it abandoned and must take it over.

def large_module_size(run):
    return run.runtime_double(LARGE_RUNTIME).stat().st_size


KILL_MOMENTS = {
    # As soon as the staged archive appears in the temporary folder.
    "staging": KillMoment(
        "staging", lambda run: ["file", STAGED_PATTERN, 0]),
    # As soon as the partial module file appears, and once it holds three
    # quarters of the module.
    "extracting_early": KillMoment(
        "extracting early", lambda run: ["file", PARTIAL_PATTERN, 0]),
    "extracting_late": KillMoment(
        "extracting late", lambda run: [
            "file", PARTIAL_PATTERN,
            math.ceil(LATE_SHARE * large_module_size(run))]),
    # As soon as the module has been renamed into place.
    "installed": KillMoment(
        "installed", lambda run: ["file", RUNTIME_PATH, 0]),
    # As soon as the module double has journalled the splash it was handed,
    # before it ends the splash.
    "splash_wait": KillMoment(
        "splash wait", lambda run: ["line", RUNTIME_JOURNAL, "record=splash"]),
}


def kill_seen(run):
    """The kill the tool journalled; None, with the reason as a failure,
    when it ended nothing."""
    seen = read_kill(run)
    if isinstance(seen, str):
        run.failures.append(seen)
        return None
    return seen


def verify_kill_landed(phase):
    """Checked once the killed start has ended: it was ended in `phase`
    while it held the start guard, and the archive it had staged is gone."""
    def verify(run):
        seen = kill_seen(run)
        if seen is None:
            return
        found = phase_at_kill(run, seen, large_module_size(run))
        if found != phase:
            run.missed_phase = f"killed in phase '{found}'"
            run.failures.append(
                f"the start was killed in phase '{found}', not '{phase}'")
        run.expect(seen.suspended, "the kill tool could not suspend the "
                   "start: what it listed may postdate the kill")
        run.expect(seen.guard == "held",
                   f"the start guard was {seen.guard} at the kill; the "
                   "killed start should have held it")
        staged = seen.staged()
        module_files = {path: size for path, size in seen.after.items()
                        if path.startswith(RUNTIME_PATH)}
        excel = ("had started an Excel" if EXCEL_JOURNAL in seen.before
                 else "had not started Excel")
        run.notes.append(
            f"process {seen.pid} killed in phase '{found}': suspended "
            f"{seen.suspend_ms - seen.condition_ms} ms after the condition "
            f"held, terminated {seen.kill_ms - seen.suspend_ms} ms later; "
            f"staged then: {describe_files(staged)}; module files by its "
            f"end: {describe_files(module_files)}; it {excel}")
        left = sorted(path for path in staged if run.in_prefix(path).exists())
        run.expect(not left, f"the killed start's staged archives are still "
                   f"there: {left}")
        if staged:
            deleted_by_end = not any(path in seen.after for path in staged)
            run.notes.append(
                "its staged archive was deleted by the system "
                + ("as it ended" if deleted_by_end else
                   "after it ended, before the next start"))
    return verify


def verify_start_after_kill(run):
    """The start after the killed one splashed, once, from the complete
    module, and waited for the splash's end; it took over the abandoned
    start guard, so it removed the partial file the killed start left."""
    seen = kill_seen(run)
    if seen is None:
        return
    _, later = split_journal(run, seen)
    splashes = [r for r in later if r["record"] == "splash"]
    run.expect(len(splashes) == 1,
               f"{len(splashes)} splashes after the kill, expected 1")
    for splash in splashes:
        expect_complete_module(run, splash)
        events = [r for r in later if r["record"] == "event-set" and
                  r["pid"] == splash["pid"]]
        run.expect(len(events) == 1, f"{len(events)} ends of the next "
                   "start's splash, expected 1")
        run.expect(not events or run.launcher_ended_ms is None or
                   int(events[0]["time"]) <= run.launcher_ended_ms,
                   "the next start exited before its splash had ended")
        run.notes.append(f"the next start (process {splash['pid']}) "
                         "splashed from the complete module")
    partials = {path.name: path.stat().st_size for path in
                run.in_prefix(PRODUCT_FOLDER).glob("*.partial")}
    run.expect(not partials, f"partial files left: {partials}")
    killed_partial = partial_of(seen.pid, seen.after)
    run.notes.append(
        "the killed start's partial file " +
        ("(none)" if killed_partial is None else f"of {killed_partial} B") +
        "; partial files left after the next start: " +
        describe_files(partials))


def killed_start(moment):
    """The large-runtime launcher's first start killed at `moment`, then
    the same launcher started again."""
    return Case(
        launcher=LARGE_RUNTIME_LAUNCHER, boxes=[], kill=moment,
        further_starts=[Start(check_before=verify_kill_landed(moment.phase))],
        verify=verify_all(verify_large_runtime_installed,
                          verify_start_after_kill,
                          verify_calls(FULL_START)))


# --- a scanner on the product folder ----------------------------------------
# An antivirus product or an indexer opens every new file of the product
# folder as soon as its writer lets go of it and holds it, sharing reading
# and writing but not deletion: until it lets go, the file can be neither
# renamed into place nor deleted. The launcher waits such a hold out for up
# to 2 s; held longer, a file counts as in use, as before.

RUNTIME_NOT_INSTALLED = ("Sheltra was unable to install Runtime to the "
                         "following location:\n" + RUNTIME_PATH)


def new_files_held(run, name):
    """The scanner's records of the files written beside the file `name`
    of the product folder (its partial files) that it opened and held."""
    return [scan for scan in run.scans()
            if scan["file"].startswith(name + ".") and
            scan["file"].endswith(".partial") and scan["opened"] != "never"]


# What the case's expectations follow from: a rename of a file the scanner
# holds meets ERROR_SHARING_VIOLATION, which the launcher waits out.
SHARING_VIOLATION = "32"


def verify_scanner_held(name):
    """The scanner held a new file written beside the file `name` of the
    product folder, so that the start met it: an attempt where it missed
    that moment is tried again. The rename the scanner tried of each file
    it held met a sharing violation under the Wine in use, as on Windows.
    Tells when it held each new file, from the first start's begin."""
    def verify(run):
        origin = run.starts[0].begin_ms if run.starts else 0
        held = new_files_held(run, name)
        if not held:
            run.missed_phase = f"the scanner did not hold {name}'s new file"
            run.failures.append(run.missed_phase)
        for scan in held:
            run.expect(scan["rename"] == SHARING_VIOLATION,
                       f"renaming {scan['file']} while the scanner held it "
                       f"met error {scan['rename']}: this case expects a "
                       "sharing violation, as Windows answers")
        for scan in run.scans():
            if not scan["file"].endswith(".partial"):
                continue
            held = ("never held it" if scan["opened"] == "never" else
                    f"held it from {seconds_after(scan['opened'], origin)} "
                    f"to {seconds_after(scan['closed'], origin)}")
            run.notes.append(f"{scan['file']}: the scanner {held} "
                             f"({scan['tries']} tries)")
    return verify


def verify_partials_left(*names):
    """The partial files left in the product folder are one written beside
    each of `names`, and no others."""
    def verify(run):
        left = sorted(path.name for path in
                      run.in_prefix(PRODUCT_FOLDER).glob("*.partial"))
        run.expect(len(left) == len(names) and
                   all(any(file.startswith(name + ".") for file in left)
                       for name in names),
                   f"partial files left: {left}, expected one of each of "
                   f"{list(names)}")
    return verify


# The names of the files the scanner meets in the product folder.
RUNTIME_FILE = RUNTIME_NAME[1:]


XLAM_FILE = XLAM_NAME[1:]


def put_earlier_read_only_addin(run):
    """An add-in an earlier start left read-only (Wine shows a file without
    write permission as read-only)."""
    run.put_text(XLAM_PATH, "an earlier start's add-in\n")
    run.in_prefix(XLAM_PATH).chmod(0o444)


def verify_earlier_read_only_addin_kept(run):
    path = run.in_prefix(XLAM_PATH)
    run.expect(path.read_bytes() == b"an earlier start's add-in\n",
               "the earlier add-in was not kept")
    facts = run.file_facts(XLAM_PATH)
    attributes = facts["attributes"] if facts else 0
    run.expect(attributes & READ_ONLY_ATTRIBUTE,
               f"the kept add-in's attributes {attributes:#x} lack the "
               "read-only bit")


def verify_scanner_held_earlier(name):
    """The scanner held the file `name` that was there before the start,
    and renaming it meanwhile met a sharing violation."""
    def verify(run):
        held = [scan for scan in run.scans() if scan["file"] == name and
                scan["opened"] != "never"]
        run.expect(held and held[0]["rename"] == SHARING_VIOLATION,
                   f"the scanner's hold of {name}: {held}; this case expects "
                   "one whose rename meets a sharing violation")
    return verify


def scanner_case(hold_ms, boxes, verify):
    """The large-runtime launcher started once while the scanner holds each
    new file of the product folder `hold_ms`."""
    return Case(launcher=LARGE_RUNTIME_LAUNCHER, boxes=boxes,
                scanner_hold_ms=hold_ms, arrange=make_folder(PRODUCT_FOLDER),
                verify=verify)


SCANNER_CASES = {
    # A scanner that lets go at once: the start as without one.
    "scanner_peeking_at_new_files": scanner_case(
        1, [], verify_all(verify_large_runtime_installed,
                          verify_addin(XLAM_PATH, "loader.xlam"),
                          verify_calls(FULL_START), verify_partials_left())),
    # Held 400 ms each, the runtime module and the loader add-in land whole
    # all the same, and no message is shown.
    "scanner_holding_new_files_400ms": scanner_case(
        400, [], verify_all(verify_large_runtime_installed,
                            verify_complete_module_splashes(1),
                            verify_addin(XLAM_PATH, "loader.xlam"),
                            verify_calls(FULL_START), verify_partials_left(),
                            verify_scanner_held(RUNTIME_FILE))),
    # Held 5 s, past the wait: the runtime module cannot be installed, as
    # before; its new file, still held when the start gives up, is left for
    # a later start to remove.
    "scanner_holding_new_files_5s": scanner_case(
        5000, [RUNTIME_NOT_INSTALLED],
        verify_all(verify_no_runtime_left, verify_calls([]),
                   verify_scanner_held(RUNTIME_FILE),
                   verify_partials_left(RUNTIME_FILE))),
    # A scanner holding the add-in an earlier start left read-only for as
    # long as the case runs, while an Excel keeps the earlier runtime module
    # loaded: the module is used as it is at once (access denied is not
    # waited for), and so is the earlier add-in, held open as a running
    # Excel holds it: read-only still, with no message.
    "scanner_holding_earlier_addin": Case(
        launcher="payload/Launcher.exe", boxes=[], holder=RUNTIME_PATH,
        scanner_hold_ms=120000, scanned_earlier=[XLAM_FILE],
        arrange=steps(put_old_runtime, put_earlier_read_only_addin),
        verify=verify_all(verify_runtime_is(28),
                          verify_earlier_read_only_addin_kept,
                          verify_calls(FULL_START),
                          verify_scanner_held_earlier(XLAM_FILE))),
}


EXCEL_TOO_OLD = (
    "This file requires Microsoft Excel 2007 or higher to be installed on "
    "your PC.\nMicrosoft Excel installed on your PC can't open this document.")
EXCEL_MISSING = (
    "This file requires Microsoft Excel to be installed on your PC.\n"
    "Possible, you doesn't have Microsoft Excel installed or your user "
    "account doesn't have enough rights to run Excel application.")
HELP_FILE_NOT_CREATED = f"Help File '{HELP_FILE}' can not be created."


# --- a busy Excel, and one that is still starting ----------------------------
# A call Excel rejects as busy is made again after growing pauses, for up to
# BUSY_BOUND_SECONDS since its first try (automation/busy_retry.h); creating
# Excel, while it fails with CO_E_SERVER_EXEC_FAILURE, for up to
# START_BOUND_SECONDS. Wine's COM ignores a server's "retry later" verdict,
# so the Excel double answers RPC_E_SERVERCALL_RETRYLATER from its
# GetIDsOfNames and Invoke itself (busy.calls, busy.after, busy.ms): these
# cases prove the launcher's own retries, not the message filter's.
BUSY_BOUND_SECONDS = 60
START_BOUND_SECONDS = 30
# A start has done all it does before Excel in a few seconds; this much
# more than the bound is allowed from the first try to the launcher's end.
BEYOND_BOUND_SLACK_SECONDS = 5


def launch_failed(code):
    return ("Sheltra was unable to launch Excel application. Error code: "
            f"0x{code:08X}")


def note_tries(run, entries, first_try_ms):
    """Tells how long after the first try each try of the first call was
    made (the rejected ones and the one served)."""
    run.notes.append("tries of the first call at +" + ", +".join(
        f"{(entry.ms - first_try_ms) / 1000:.2f}" for entry in entries) +
        " s after the first")


def verify_busy_then_served(calls=None, milliseconds=None, after=0,
                            rejected_call=("names", "Application",
                                           "Workbooks")):
    """The Excel double served the launcher's first `after` calls, then
    rejected the next ones as busy (`calls` of them, or those of its first
    `milliseconds`), each unexecuted and each `rejected_call`; then it
    received the calls of an Excel that was never busy, in the same order."""
    def verify(run):
        entries = excel_double.read_journal(run.in_prefix(EXCEL_FOLDER))
        tries = [entry for entry in entries
                 if entry.kind in ("names", "invoke", "rejected")]
        rejected = [i for i, entry in enumerate(tries)
                    if entry.kind == "rejected"]
        run.expect(rejected, "Excel rejected no call")
        if not rejected:
            return
        run.expect(rejected[-1] + 1 < len(tries),
                   "Excel served no call after the rejected ones")
        if rejected[-1] + 1 == len(tries):
            return
        run.expect(rejected == list(range(after, after + len(rejected))),
                   f"calls {rejected} rejected, expected the ones after the "
                   f"first {after} and one after another")
        for i in rejected:
            run.expect(tries[i].fields == [*rejected_call, "hr=0x8001010A"],
                       f"rejected: {tries[i].fields}, expected "
                       f"{' '.join(rejected_call)} with "
                       "RPC_E_SERVERCALL_RETRYLATER")
        first_try = tries[rejected[0]].ms
        first_served = tries[rejected[-1] + 1]
        if calls is not None:
            run.expect(len(rejected) == calls,
                       f"{len(rejected)} calls rejected, expected {calls}")
        if milliseconds is not None:
            # The double's first entry (its window) is made as it starts.
            start = entries[0].ms
            late = [tries[i].ms - start for i in rejected
                    if tries[i].ms - start > milliseconds]
            run.expect(not late, f"rejected {late} ms after the start, "
                       f"when only the first {milliseconds} ms were busy")
            # The window comes a little after the double's clock starts.
            run.expect(first_served.ms - start >= milliseconds - 200,
                       f"served {first_served.ms - start} ms after the "
                       f"start, within the busy {milliseconds} ms")
        expect_calls(run, calls_in(entries), FULL_START)
        note_tries(run, [tries[i] for i in rejected] + [first_served],
                   first_try)
        if run.launcher_ended_ms is not None:
            ended = (run.launcher_ended_ms - first_try) / 1000
            run.notes.append(f"the launcher ended {ended:.2f} s after the "
                             "first try of its first call")
    return verify


def verify_busy_beyond_the_bound(run):
    """Every try of the first call was rejected, the last about the bound
    after the first; nothing was served, and the start ended within the
    bound and a few seconds from the first try."""
    entries = excel_double.read_journal(run.in_prefix(EXCEL_FOLDER))
    rejected = [entry for entry in entries if entry.kind == "rejected"]
    expect_calls(run, calls_in(entries), [])
    run.expect(rejected, "Excel rejected no call")
    if not rejected:
        return
    span = (rejected[-1].ms - rejected[0].ms) / 1000
    run.expect(BUSY_BOUND_SECONDS - 1.5 <= span <= BUSY_BOUND_SECONDS + 1,
               f"the last try {span:.2f} s after the first, expected about "
               f"{BUSY_BOUND_SECONDS} s")
    run.notes.append(f"{len(rejected)} tries rejected over {span:.2f} s")
    if run.launcher_ended_ms is not None:
        ended = (run.launcher_ended_ms - rejected[0].ms) / 1000
        run.expect(ended <= BUSY_BOUND_SECONDS + BEYOND_BOUND_SLACK_SECONDS,
                   f"the launcher ended {ended:.2f} s after the first try, "
                   f"more than {BUSY_BOUND_SECONDS} + "
                   f"{BEYOND_BOUND_SLACK_SECONDS} s")
        run.notes.append(f"the launcher ended {ended:.2f} s after the first "
                         "try of its first call")


def verify_creation_tried_again(run):
    """Every Excel started for the launcher refused its creation; they were
    asked for about the bound, each by an Excel process of its own."""
    servers = excel_double.journals_by_server(run.in_prefix(EXCEL_FOLDER))
    refusals = [entry for server in servers for entry in server
                if entry.kind == "create-refused"]
    run.expect(len(refusals) >= 3,
               f"{len(refusals)} creations refused, expected a few")
    run.expect(all(entry.fields == ["hr=0x80080005"] for entry in refusals),
               f"refusals: {[entry.fields for entry in refusals]}")
    expect_calls(run, calls_in([entry for server in servers
                                for entry in server]), [])
    if len(refusals) < 2:
        return
    span = (refusals[-1].ms - refusals[0].ms) / 1000
    run.expect(span <= START_BOUND_SECONDS + 1,
               f"the last creation {span:.2f} s after the first")
    run.notes.append(
        f"{len(refusals)} creations refused by {len(servers)} Excel "
        f"processes, the last {span:.2f} s after the first; refused at +" +
        ", +".join(f"{(entry.ms - refusals[0].ms) / 1000:.2f}"
                   for entry in refusals) + " s")


def note_excel_ended(run):
    """The Excel double journals its exit once the launcher has released
    it (checked for every case); tells when, from the launcher's end."""
    exits = [entry.ms for entry in
             excel_double.read_journal(run.in_prefix(EXCEL_FOLDER))
             if entry.kind == "exit"]
    if exits and run.launcher_ended_ms is not None:
        run.notes.append(
            "the hidden Excel, released and never asked to quit, ended "
            f"{(max(exits) - run.launcher_ended_ms) / 1000:+.2f} s from the "
            "launcher's end")


def sample_run(launcher):
    """The road of one start of a sample launcher, with nothing registered:
    the runtime module installed, the splash handed over, Excel started
    with the loader add-in for its version, set up, brought to the front,
    the workbook opened; the launcher waits for the splash to end; no
    message."""
    return Case(
        launcher=launcher, boxes=[],
        verify=verify_all(verify_installed_runtime,
                          verify_addin(XLAM_PATH, "loader.xlam"),
                          verify_calls(FULL_START), verify_excel_in_front,
                          verify_splash("3000", "1,0,0,3"),
                          verify_no_help_file))


CASES = {
    "sample_run": sample_run("payload/Launcher.exe"),
    # The same road for the sample launcher signed: the Authenticode
    # signature appended to the image changes nothing a start reads, neither
    # how Windows loads it nor the resources the launcher reads from itself.
    "signed_sample_run": sample_run("tests/shipped/SignedLauncher.exe"),
    # A module of an earlier start that nothing holds is rewritten.
    "replaces_earlier_runtime": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=put_old_runtime, verify=verify_runtime_is(29)),
    # A module another process keeps loaded is used as it is.
    "runtime_in_use": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=put_old_runtime, holder=RUNTIME_PATH,
        verify=verify_runtime_is(28)),
    "no_runtime_resource": Case(
        launcher="tests/e2e/LauncherWithoutRuntime.exe",
        boxes=["Sheltra Runtime can not be found in executable."],
        verify=verify_no_runtime_left),
    "runtime_not_an_archive": Case(
        launcher="tests/e2e/LauncherWithBrokenRuntime.exe",
        boxes=["Sheltra was unable to install Runtime to the following "
               "location:\n" + RUNTIME_PATH],
        verify=verify_no_runtime_left),
    # Without a local application data folder the runtime module goes into a
    # product folder under Program Files, and the loader add-in into the
    # temporary folder.
    "runtime_under_program_files": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=local_app_data_out_of_reach,
        verify=verify_all(
            verify_runtime_at(FALLBACK_PRODUCT_FOLDER + RUNTIME_NAME),
            verify_addin(TEMP_ADDIN, "loader.xlam"),
            verify_calls(start_calls(TEMP_ADDIN,
                                     FALLBACK_PRODUCT_FOLDER + RUNTIME_NAME) +
                         show_and_open_calls()))),
    # Under code page 932 the last byte of this folder's name has the value
    # of a backslash; the product folder still goes inside it, and Excel is
    # handed the paths in full.
    "runtime_under_a_japanese_folder": Case(
        launcher="payload/Launcher.exe", boxes=[], locale="ja_JP.UTF-8",
        arrange=steps(make_folder(KANJI_FOLDER),
                      local_app_data_at(KANJI_FOLDER), NOTE_DRIVE_C),
        verify=verify_all(
            verify_runtime_is(29, KANJI_PRODUCT_FOLDER + RUNTIME_NAME),
            VERIFY_NOTHING_MADE_IN_DRIVE_C,
            verify_addin(KANJI_PRODUCT_FOLDER + XLAM_NAME, "loader.xlam"),
            verify_calls(start_calls(KANJI_PRODUCT_FOLDER + XLAM_NAME,
                                     KANJI_PRODUCT_FOLDER + RUNTIME_NAME) +
                         show_and_open_calls()))),
    "no_application_data_folder": Case(
        launcher="payload/Launcher.exe",
        boxes=["Sheltra was unable to locate Application Data folder."],
        arrange=steps(local_app_data_out_of_reach, program_files_out_of_reach),
        verify=verify_all(verify_nothing_installed, verify_calls([]))),
    # Started from a path longer than the 259 characters the launcher's path
    # buffer holds: the path the system hands back is cut, which the launcher
    # treats as no path at all, so nothing can be read from the executable.
    # A workbook path over 259 characters cannot be formed.
    "workbook_path_too_long": Case(
        launcher="tests/e2e/LauncherWithLongExtension.exe",
        install_as="C:\\" + "\\".join(["LongFolderName" + "x" * 36] * 4)
                   + "\\" + "b" * 44 + ".exe",
        boxes=[workbook_path_failed("")]),
    "cut_executable_path": Case(
        launcher="payload/Launcher.exe",
        install_as="C:\\" + "\\".join(["LongFolderName" + "x" * 36] * 5)
                   + r"\Budget.exe",
        boxes=["Sheltra Runtime can not be found in executable."]),

    # The add-in registered for the current user with a module that is too
    # old, that does not load, or that cannot tell its version.
    "gate_refuses_old_runtime": gate_refuses(registered(28)),
    "gate_refuses_unloadable_runtime": gate_refuses(registered(TEXT_FILE)),
    "gate_refuses_runtime_without_version": gate_refuses(
        registered(SYSTEM_MODULE)),
    # Excel loads a registered runtime module itself: no version read, no
    # loader add-in, no setup macro.
    "gate_accepts_current_runtime": Case(
        launcher="payload/Launcher.exe", boxes=[], arrange=registered(29),
        verify=verify_all(verify_installed_runtime,
                          verify_calls(["Application.Workbooks 2"] +
                                       show_and_open_calls()))),
    # Registered for the machine only: that counts too...
    "machine_registration_counts": gate_refuses(registered(28, root=HKLM)),
    # ...unless the user's key, set not to load, hides it.
    "user_key_hides_machine_key": not_registered(
        steps(registered(28, root=HKLM), user_key_not_loading)),
    # The x64 edition reads the machine's keys of its own, 64-bit view (as
    # machine_registration_counts shows) and never the 32-bit one, where a
    # 32-bit Excel's add-in is registered. In a 32-bit prefix, the x86
    # edition's only view has no such key either.
    "registration_in_the_32_bit_view_ignored": not_registered(
        registered_in_the_32_bit_view(28)),
    "registration_without_progid": not_registered(
        registered(28, progid=False)),
    "registration_without_module_file": not_registered(registered(NO_FILE)),

    # The located Excel's resiliency key goes as a whole once it holds
    # records; other generations' keys and the rest of Excel's stay.
    "resiliency_removed": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=steps(registered(29), excel_12_resiliency("StartupItems")),
        verify=verify_keys(
            present=[OPTIONS_12, resiliency(11) + r"\DisabledItems"],
            absent=[resiliency(12)])),
    "resiliency_of_first_generation_with_excel": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=steps(registered(29), generations_with_records),
        verify=verify_keys(present=[resiliency(12) + r"\DisabledItems",
                                    resiliency(10) + r"\DisabledItems"],
                           absent=[resiliency(11)])),
    # Without records there is nothing to remove.
    "resiliency_kept_without_records": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=steps(registered(29), excel_12_resiliency()),
        verify=verify_keys(present=[resiliency(12) + r"\DocumentRecovery"])),
    # Without a located Excel there is no Office key to clean, neither the
    # generation's whose root lacks excel.exe nor one made of an empty key.
    "resiliency_untouched_without_excel": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=steps(registered(29), records_without_excel),
        verify=verify_keys(present=[resiliency(12) + r"\StartupItems",
                                    BARE_RESILIENCY + r"\StartupItems"])),
    # Without the add-in registered nothing is cleaned.
    "resiliency_untouched_without_addin": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=excel_12_resiliency("StartupItems"),
        verify=verify_keys(present=[resiliency(12) + r"\StartupItems",
                                    resiliency(11) + r"\DisabledItems"])),

    # Excel's version chooses the loader add-in's edition.
    "excel_11_gets_the_xla_addin": Case(
        launcher="payload/Launcher.exe", boxes=[], excel="Version=11.0",
        verify=verify_all(verify_addin(XLA_PATH, "loader.xla"),
                          verify_calls(start_calls(XLA_PATH) +
                                       show_and_open_calls()))),
    "unreadable_version_gets_the_xla_addin": Case(
        launcher="payload/Launcher.exe", boxes=[], excel="Version=#ERROR",
        verify=verify_calls(start_calls(XLA_PATH) + show_and_open_calls())),
    # Without Excel registered, the message depends on the workbook's kind.
    "no_excel_for_an_open_xml_workbook": Case(
        launcher="tests/e2e/LauncherForXlsxWorkbook.exe",
        boxes=[EXCEL_TOO_OLD], excel=None),
    "no_excel": Case(
        launcher="payload/Launcher.exe", boxes=[EXCEL_MISSING], excel=None),
    # A registered Excel whose executable is missing: 64-bit Wine answers
    # REGDB_E_CLASSNOTREG (Excel missing), 32-bit Wine 0x80040152 (its code).
    "excel_server_missing": Case(
        launcher="payload/Launcher.exe", arrange=server_missing,
        boxes=boxes_for_excel_creation),
    # Any other refusal shows its code: here E_ACCESSDENIED.
    "excel_refuses_to_start": Case(
        launcher="payload/Launcher.exe", excel="create=80070005",
        boxes=["Sheltra was unable to launch Excel application. Error code: "
               "0x80070005"]),
    "addin_not_opened": Case(
        launcher="payload/Launcher.exe", excel="fail.open=" + XLAM_PATH,
        boxes=[f"Addin '{XLAM_PATH}' can not be opened."],
        verify=verify_calls(start_calls(XLAM_PATH)[:3])),
    "no_loader_addin_resource": Case(
        launcher="tests/e2e/LauncherWithoutLoaderAddin.exe",
        boxes=["Loaded addin can not be extracted from the executable."],
        verify=verify_calls(start_calls(XLAM_PATH)[:2])),
    "setup_macro_fails": Case(
        launcher="payload/Launcher.exe", excel="fail.run=" + SETUP_MACRO,
        boxes=["Macro can not be executed"],
        verify=verify_calls(start_calls(XLAM_PATH))),
    # Excel tells its own user about a workbook it cannot open.
    "workbook_not_opened": Case(
        launcher="payload/Launcher.exe", boxes=[],
        excel="fail.open=" + WORKBOOK,
        verify=verify_calls(start_calls(XLAM_PATH) +
                            show_and_open_calls()[:4])),
    # Excel that does not tell its window: the XLMAIN window that appeared
    # since the start is brought to the front.
    "window_found_without_hwnd": Case(
        launcher="payload/Launcher.exe", boxes=[], excel="fail=HWND",
        verify=verify_all(verify_calls(FULL_START), verify_excel_in_front)),

    # Today's silent end, mended: the first call of the new Excel failing
    # is a failure to launch, with its code (here DISP_E_EXCEPTION). The
    # hidden Excel is released, not asked to quit, and ends by itself.
    "excel_workbooks_fails": Case(
        launcher="payload/Launcher.exe", excel="fail=Workbooks",
        boxes=[launch_failed(0x80020009)],
        verify=verify_all(verify_calls(["Application.Workbooks 2"]),
                          note_excel_ended)),
    # An Excel that rejects its first calls as busy, as Excel does while it
    # starts, loads add-ins or shows a sign-in dialog, is waited for...
    "excel_busy_for_4_calls": Case(
        launcher="payload/Launcher.exe", boxes=[], excel="busy.calls=4",
        verify=verify_all(verify_busy_then_served(calls=4),
                          verify_installed_runtime, verify_excel_in_front,
                          verify_splash("3000", "1,0,0,3"))),
    # Excel turns busy as it is asked to open the loader add-in (busy after
    # the five calls before that Open): the Invoke is made again, not only
    # the lookup.
    "excel_busy_opening_the_addin": Case(
        launcher="payload/Launcher.exe", boxes=[],
        excel="busy.after=5\nbusy.calls=3",
        verify=verify_all(
            verify_busy_then_served(calls=3, after=5,
                                    rejected_call=("invoke", "Workbooks",
                                                   "Open")),
            verify_installed_runtime)),
    "excel_busy_for_2s": Case(
        launcher="payload/Launcher.exe", boxes=[], excel="busy.ms=2000",
        verify=verify_all(verify_busy_then_served(milliseconds=2000),
                          verify_excel_in_front,
                          verify_splash("3000", "1,0,0,3"))),
    # ...for up to the bound: then the start ends with the launch message
    # and RPC_E_SERVERCALL_RETRYLATER, and the hidden Excel is released.
    "excel_busy_beyond_the_bound": Case(
        launcher="payload/Launcher.exe", excel="busy.ms=75000",
        boxes=[launch_failed(0x8001010A)],
        verify=verify_all(verify_busy_beyond_the_bound, note_excel_ended)),
    # Creating Excel while Office finishes an update is tried again a few
    # times within 30 s; an Excel that keeps refusing is then reported.
    "excel_start_refused_while_office_updates": Case(
        launcher="payload/Launcher.exe", excel="create=80080005",
        boxes=[launch_failed(0x80080005)],
        verify=verify_creation_tried_again),

    # The splash needs its settings and more than a placeholder byte.
    "splash_without_settings": Case(
        launcher="tests/e2e/LauncherWithoutSplashData.exe", boxes=[],
        verify=verify_all(verify_no_splash, verify_calls(FULL_START))),
    "splash_placeholder": Case(
        launcher="tests/e2e/LauncherWithPlaceholderSplash.exe", boxes=[],
        verify=verify_no_splash),
    "splash_settings_too_short": Case(
        launcher="tests/e2e/LauncherWithShortSplashData.exe", boxes=[],
        verify=verify_splash("10000", "1,0,0,0")),
    "splash_without_event": Case(
        launcher="tests/e2e/LauncherWithSilentSplash.exe", boxes=[],
        verify=verify_splash("3000", "1,0,0,3", waited=False)),

    "help_file_written": Case(
        launcher="tests/e2e/LauncherWithHelpFile.exe", boxes=[],
        verify=verify_all(verify_help_file(b"CHM"),
                          verify_calls(FULL_START))),
    # A start alone removes the partial help file a killed start left, and
    # nothing else of the temporary folder.
    "help_file_leftover_removed": Case(
        launcher="tests/e2e/LauncherWithHelpFile.exe", boxes=[],
        arrange=put_help_leftovers,
        verify=verify_all(verify_help_file(b"CHM"),
                          verify_only_help_leftover_removed,
                          verify_calls(FULL_START))),
    # Under a Japanese code page the help file keeps its katakana name, whose
    # first character's second byte has the value of a backslash.
    "help_file_double_byte_name": Case(
        launcher="tests/e2e/LauncherWithKatakanaHelpFile.exe", boxes=[],
        locale="ja_JP.UTF-8",
        verify=verify_all(verify_help_file(b"CHM", KATAKANA_HELP_FILE),
                          verify_calls(FULL_START))),
    "help_file_read_only": Case(
        launcher="tests/e2e/LauncherWithHelpFile.exe",
        boxes=[HELP_FILE_NOT_CREATED], arrange=read_only_help_file,
        verify=verify_all(verify_help_file_kept, verify_calls(FULL_START))),
    "help_file_unnamed": Case(
        launcher="tests/e2e/LauncherWithUnnamedHelpFile.exe",
        boxes=["File name for Help File is missed."],
        verify=verify_all(verify_no_help_file, verify_calls(FULL_START))),
    # A device name, with any extension, would send the help file to the
    # device: nothing written, yet reported as written.
    "help_file_device_name": Case(
        launcher="tests/e2e/LauncherWithDeviceNamedHelpFile.exe",
        boxes=[f"Help File '{TEMP_FOLDER}\\nul.chm' can not be created."],
        verify=verify_calls(FULL_START)),
    # A help file cut short is not written with a made-up tail.
    "help_data_cut_short": Case(
        launcher="tests/e2e/LauncherWithCutShortHelpData.exe",
        boxes=["Data for Help file can not be loaded."],
        verify=verify_all(verify_no_help_file, verify_calls(FULL_START))),
    # Only the last message of a run is shown.
    "launch_message_replaces_help_message": Case(
        launcher="tests/e2e/LauncherWithHelpFile.exe", boxes=[EXCEL_MISSING],
        arrange=read_only_help_file, excel=None),

    # A DLL the runtime module imports, planted beside the downloaded
    # launcher and in its current folder, is never loaded; the copy the
    # runtime's setup put beside the module is, and the splash is shown.
    "planted_support_ignored": downloaded(
        SUPPORTED_RUNTIME_LAUNCHER,
        arrange=steps(planted_support, support_beside_runtime),
        verify=verify_all(verify_never_loaded(*PLANT_FOLDERS),
                          verify_loaded_by_launcher(PRODUCT_FOLDER),
                          verify_runtime_is(SUPPORTED_RUNTIME),
                          verify_splash("3000", "1,0,0,3"),
                          verify_calls(DOWNLOADED_START))),
    # Without that copy the runtime module cannot load: no splash and
    # nothing to wait for, but Excel is started all the same.
    "planted_support_without_runtime_support": downloaded(
        SUPPORTED_RUNTIME_LAUNCHER, arrange=planted_support,
        verify=verify_all(verify_never_loaded(*PLANT_FOLDERS),
                          verify_runtime_is(SUPPORTED_RUNTIME),
                          verify_no_splash, verify_calls(DOWNLOADED_START))),
    # A shell32.dll beside the launcher is not the shell's. Wine would load
    # its builtin shell32 in its place anyway, so Wine is told to take the
    # first file it finds, as Windows does.
    "planted_shell32_ignored": downloaded(
        "payload/Launcher.exe", dll_overrides="shell32=n,b",
        arrange=copies_of_support("shell32.dll", DOWNLOADS),
        verify=verify_all(verify_never_loaded(DOWNLOADS),
                          verify_installed_runtime,
                          verify_splash("3000", "1,0,0,3"),
                          verify_calls(DOWNLOADED_START))),
    # The version gate loads a registered module that imports the support
    # DLL with that DLL from the module's own folder...
    "gate_accepts_runtime_with_its_support": downloaded(
        "payload/Launcher.exe",
        arrange=steps(registered(SUPPORTED_RUNTIME),
                      support_beside_registered_runtime),
        verify=verify_all(
            verify_loaded_by_launcher(REGISTERED_SUPPORTED_FOLDER),
            verify_installed_runtime,
            verify_calls(["Application.Workbooks 2"] +
                         DOWNLOADED_SHOW_AND_OPEN))),
    # ...and never from beside the launcher: without its own copy the
    # module does not load, so it is taken for out of date.
    "gate_refuses_runtime_with_planted_support": gate_refuses(
        steps(registered(SUPPORTED_RUNTIME), planted_support),
        install_as=DOWNLOADED_LAUNCHER, current_folder=CURRENT_FOLDER,
        verify=verify_never_loaded(*PLANT_FOLDERS)),

    # A read-only module installed by an earlier start, from a read-only
    # archive entry, is replaced by the next start's...
    "read_only_runtime_replaced": Case(
        launcher="tests/e2e/LauncherWithReadOnlyRuntime.exe", boxes=[],
        further_starts=[Start(launcher="payload/Launcher.exe",
                              check_before=verify_read_only_runtime_is(28))],
        verify=verify_all(verify_installed_runtime,
                          verify_calls_per_start(FULL_START))),
    # ...unless another process has it loaded: then it stays as it is.
    "read_only_runtime_in_use": Case(
        launcher="payload/Launcher.exe", boxes=[],
        arrange=put_read_only_old_runtime, holder=RUNTIME_PATH,
        verify=verify_read_only_runtime_is(28)),
    # The archive staged in the temporary folder is out of reach of other
    # programs while it is there, and the installation still completes.
    "staging_file_out_of_reach": Case(
        launcher=LARGE_RUNTIME_LAUNCHER, boxes=[], probe_staging=True,
        verify=verify_all(verify_staging_out_of_reach,
                          verify_large_runtime_installed,
                          verify_complete_module_splashes(1),
                          note_runtime_size, note_splash_waits)),
}
# Two starts of the same launcher, the second begun this many seconds after
# the first: at once, and while the first extracts its runtime module.
CASES.update({f"concurrent_starts_{round(delay * 1000)}ms":
              concurrent_starts(delay) for delay in (0, 0.2, 0.4, 0.6)})
# A start killed at each moment, then the same launcher started again.
CASES.update({f"killed_{name}": killed_start(moment)
              for name, moment in KILL_MOMENTS.items()})


# --- names outside the ANSI code page -------------------------------------
# The prefix's ANSI code page is 1252 (en_US); the launcher's manifest makes
# its own process's code page UTF-8, so every path reaches it and Excel whole.
WESTERN_LOCALE = "en_US.UTF-8"
RUNTIME_MISSING = "Sheltra Runtime can not be found in executable."


def started_from(folder, launcher="payload/Launcher.exe"):
    """The road of one start of `launcher` put in `folder`: Excel opens the
    workbook beside it, its path whole."""
    return Case(
        launcher=launcher, boxes=[], locale=WESTERN_LOCALE,
        install_as=folder + r"\Budget.exe",
        verify=verify_all(
            verify_installed_runtime,
            verify_calls(start_calls(XLAM_PATH) +
                         show_and_open_calls(folder + r"\Budget.xlam"))))


def help_file_named(launcher, name):
    return Case(launcher=launcher, boxes=[], locale=WESTERN_LOCALE,
                verify=verify_all(
                    verify_help_file(b"CHM", TEMP_FOLDER + "\\" + name),
                    verify_calls(FULL_START)))


CASES.update({
    "started_from_a_cyrillic_folder": started_from(CYRILLIC_FOLDER),
    "started_from_a_chinese_folder": started_from(CHINESE_FOLDER),
    # A launcher built to keep the system's code page cannot even read its
    # own path from there: Windows hands it "C:\??????\Budget.exe".
    "system_code_page_launcher_from_a_cyrillic_folder": Case(
        launcher="tests/e2e/LauncherWithSystemCodePage.exe",
        boxes=[RUNTIME_MISSING], locale=WESTERN_LOCALE,
        install_as=CYRILLIC_FOLDER + r"\Budget.exe",
        verify=verify_all(verify_no_runtime_left, verify_calls([]))),
    "system_code_page_launcher_road": Case(
        launcher="tests/e2e/LauncherWithSystemCodePage.exe", boxes=[],
        locale=WESTERN_LOCALE,
        verify=verify_all(verify_installed_runtime, verify_calls(FULL_START))),
    # The user's local application data folder under a long Cyrillic name,
    # more bytes than MAX_PATH: the runtime module goes there and Excel is
    # handed its path whole.
    "runtime_under_a_cyrillic_folder": Case(
        launcher="payload/Launcher.exe", boxes=[], locale=WESTERN_LOCALE,
        arrange=steps(make_folder(CYRILLIC_LOCAL_APP_DATA),
                      local_app_data_at(CYRILLIC_LOCAL_APP_DATA)),
        verify=verify_all(
            verify_runtime_at(CYRILLIC_PRODUCT_FOLDER + RUNTIME_NAME),
            verify_addin(CYRILLIC_PRODUCT_FOLDER + XLAM_NAME, "loader.xlam"),
            verify_calls(start_calls(CYRILLIC_PRODUCT_FOLDER + XLAM_NAME,
                                     CYRILLIC_PRODUCT_FOLDER + RUNTIME_NAME) +
                         show_and_open_calls()))),
    # The authoring tool wrote the help file's name in code page 1252: the
    # UTF-8 process writes the same characters. A name written in UTF-8
    # stands as it is.
    "help_file_western_name": help_file_named(
        "tests/e2e/LauncherWithWesternHelpFile.exe", WESTERN_HELP_NAME),
    "help_file_utf8_name": help_file_named(
        "tests/e2e/LauncherWithUtf8HelpFile.exe", UTF8_HELP_NAME),
})


# --- a launcher that waits still answers sent messages ---------------------

def verify_sent_messages_answered(run):
    """Every message the prober sent to the launcher's windows was answered
    in time, those sent while it waited for the splash to end among them."""
    sends = run.message_sends()
    late = [send for send in sends if send["answered"] == "timeout"]
    run.expect(not late, f"{len(late)} of {len(sends)} sent messages were "
               "left unanswered: " + ", ".join(s["took"] + " ms" for s in late))
    journal = run.runtime_journal()
    splash = [int(r["time"]) for r in journal if r["record"] == "splash"]
    ended = [int(r["time"]) for r in journal if r["record"] == "event-set"]
    if not splash or not ended:
        run.expect(False, "the runtime module journalled no whole splash")
        return
    # The launch is over well before the last second of a splash of four:
    # what is sent then meets the launcher in its wait.
    waiting = [send for send in sends if send["answered"] == "yes" and
               ended[0] - 1000 <= int(send["time"]) < ended[0]]
    run.expect(waiting, f"no message was answered in the last second of the "
               f"splash ({len(sends)} sent in all)")


CASES.update({
    "splash_wait_answers_sent_messages": Case(
        launcher="tests/e2e/LauncherWithLongSplash.exe", boxes=[],
        probe_messages=True,
        verify=verify_all(verify_splash("3000", "1,0,0,3"),
                          verify_sent_messages_answered)),
})
CASES.update(SCANNER_CASES)
