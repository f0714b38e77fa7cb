"""The launcher starts the Wine tests make, each with what it arranges before
the start and what it checks after it."""
from dataclasses import dataclass
from typing import Callable, List

from wine_run import (PRODUCT_FOLDER, RUNTIME_PATH, TEMP_FOLDER,
                      ARCHIVE_ATTRIBUTE, workbook_path_failed, Run, HKCU, HKLM,
                      ADDIN_KEY, PROGID_KEY, CLSID_KEY, CASE_KEYS, office_key,
                      ut_times, REGISTERED_FOLDER, OFFICE_FOLDER)


@dataclass
class Case:
    launcher: str                       # built launcher, relative to the tree
    boxes: List[str]                    # message texts expected, in order
    install_as: str = r"C:\Tools\Budget.exe"
    arrange: Callable[[Run], None] = lambda run: None
    verify: Callable[[Run], None] = lambda run: None
    holder: str = ""                    # a module another process keeps loaded


def verify_installed_runtime(run):
    facts = run.file_facts(RUNTIME_PATH)
    run.expect(facts is not None, f"no runtime module at {RUNTIME_PATH}")
    if facts is None:
        return
    installed = run.in_prefix(RUNTIME_PATH).read_bytes()
    run.expect(installed == run.runtime_double(29).read_bytes(),
               "the installed runtime module differs from the one carried")
    run.expect(facts["attributes"] & ARCHIVE_ATTRIBUTE,
               f"attributes {facts['attributes']:#x} lack the archive bit")
    archive = run.build / "payload" / "sample" / "runtime.zip"
    for name, ticks in ut_times(archive).items():
        run.expect(facts[name] == ticks,
                   f"{name} time {facts[name]}, the archive says {ticks}")
    verify_no_staging_files(run)


def verify_no_staging_files(run):
    left = sorted(p.name for p in run.in_prefix(TEMP_FOLDER).glob("*.dat"))
    run.expect(not left, f"staging files left in the temporary folder: {left}")


def put_old_runtime(run):
    run.put(RUNTIME_PATH, run.runtime_double(28))


def verify_runtime_is(version):
    def verify(run):
        installed = run.in_prefix(RUNTIME_PATH)
        run.expect(installed.is_file(), f"no runtime module at {RUNTIME_PATH}")
        run.expect(not installed.is_file() or installed.read_bytes() ==
                   run.runtime_double(version).read_bytes(),
                   f"the runtime module is not version {version}'s")
    return verify


def verify_no_runtime_left(run):
    run.expect(run.file_facts(RUNTIME_PATH) is None,
               f"a file was left at {RUNTIME_PATH}")
    verify_no_staging_files(run)


def verify_nothing_installed(run):
    run.expect(not run.in_prefix(PRODUCT_FOLDER).exists(),
               f"{PRODUCT_FOLDER} was created")
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


def put_module(run, module):
    """Puts `module` in place and returns its path: 28 or 29 is that
    runtime double, TEXT_FILE is written, other paths are used as they are."""
    if isinstance(module, int):
        path = REGISTERED_FOLDER + rf"\v{module}\SheltraRuntime.dll"
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


def gate_refuses(arrange):
    """A registered module that fails the gate: the one message, and the run
    ends before it installs anything."""
    return Case(launcher="payload/Launcher.exe", boxes=[RUNTIME_TOO_OLD],
                arrange=arrange, verify=verify_nothing_installed)


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


CASES = {
    # An ordinary start: no message, the runtime module installed.
    "sample_run": Case(
        launcher="payload/Launcher.exe", boxes=[],
        verify=verify_installed_runtime),
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
    "gate_accepts_current_runtime": Case(
        launcher="payload/Launcher.exe", boxes=[], arrange=registered(29),
        verify=verify_installed_runtime),
    # Registered for the machine only: that counts too...
    "machine_registration_counts": gate_refuses(registered(28, root=HKLM)),
    # ...unless the user's key, set not to load, hides it.
    "user_key_hides_machine_key": not_registered(
        steps(registered(28, root=HKLM), user_key_not_loading)),
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
}
