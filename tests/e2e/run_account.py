"""A readable account of one start of the launcher under Wine, told from
what the run left behind: the files it wrote, the journals of the runtime
module double and of the Excel double, and the message boxes the watcher
saw. The demo prints it after its start."""
import excel_double_registry as excel_double
from wine_run import EXCEL_FOLDER, HELP_FILE, PRODUCT_FOLDER, RUNTIME_PATH

ADDINS = {"shLdr.xlam": "XLAM", "shLdr.xla": "XLA"}


def describe_argument(argument):
    kind, _, value = argument.partition(":")
    if kind == "BSTR":
        return f'"{value}"'
    if kind == "BOOL":
        return "True" if value == "-1" else "False"
    return value or kind


def describe_call(entry):
    """An Invoke journal entry as the call reads in VBA."""
    obj, member, flags = entry.fields[:3]
    flags = int(flags.split("=")[1])
    # The journal holds the arguments in Invoke's order: last one first.
    arguments = [describe_argument(field) for field in reversed(entry.fields[7:])]
    if flags == 2:
        text = f"{obj}.{member}"
    elif flags == 4:
        text = f"{obj}.{member} = {', '.join(arguments)}"
    else:
        text = f"{obj}.{member}({', '.join(arguments)})"
    failed = entry.value("hr") != "0x00000000"
    return text + (f"   -> failed, {entry.value('hr')}" if failed else "")


def file_line(run, path, what):
    local = run.in_prefix(path)
    if not local.is_file():
        return None
    return f"{path} ({local.stat().st_size} bytes): {what}"


def print_account(run, exit_code, boxes):
    """Prints the steps of the start in their order, each with its outcome."""
    out = []
    say = out.append
    journal = run.runtime_journal()

    installed = file_line(run, RUNTIME_PATH, "from its RUNTIME archive")
    say("1. Runtime module installed: " + (installed or "no"))

    splash = next((r for r in journal if r["record"] == "splash"), None)
    if splash is None:
        say("2. Splash: none was handed to the runtime module.")
    else:
        say(f"2. Splash handed to the runtime module: {splash['size']} bytes "
            f"(the SPLASH resource, FNV-1a {splash['fnv1a64']}), "
            f"{splash['duration']} ms, settings ({splash['data']}).")

    help_file = file_line(run, HELP_FILE, "from its CHM resource")
    say("3. Help file: " + (help_file or
                            "none (its CHM resource is absent or a placeholder)"))

    addins = [file_line(run, PRODUCT_FOLDER + "\\" + name,
                        f"from its {resource} resource")
              for name, resource in ADDINS.items()]
    say("4. Loader add-in written: " +
        ("; ".join(filter(None, addins)) or "none"))

    say("5. Excel started through automation (the double registered as "
        "\"Excel.Application\", a local server in its own process), which "
        "received in order:")
    entries = excel_double.read_journal(run.in_prefix(EXCEL_FOLDER))
    for entry in entries:
        if entry.kind == "invoke":
            say("     " + describe_call(entry))
        elif entry.kind == "foreground":
            state = "yes" if entry.fields[0] == "yes" else "no"
            say(f"       (Excel's window in front at this moment: {state})")
    if not entries:
        say("     nothing: Excel was never reached.")

    event = next((r for r in journal if r["record"] == "event-set"), None)
    if event is not None and run.launcher_ended_ms is not None:
        lead = run.launcher_ended_ms - int(event["time"])
        say("6. Waited for the splash to end: the runtime module set the "
            f"splash event; the launcher exited {lead:.0f} ms after that.")
    else:
        say("6. No splash event to wait for.")

    shown = "; ".join(repr(box["text"]) for box in boxes) or "none"
    say(f"7. Message shown: {shown}. Exit code: {exit_code}.")
    print("\n".join(out))
