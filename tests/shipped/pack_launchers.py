#!/usr/bin/env python3
"""launcher-pack on real files, as a vendor runs it:
   pack_launchers.py <launcher-pack> <stub> <payload folder> <built Launcher.exe>
                     <runtime module DLL> <signed launcher> <work folder>
                     <a DLL of the other edition's machine> <the Excel it serves>
The launcher it packs from the tree's stub and the sample payload is the one
the build made, byte for byte, and packing again gives the same bytes. Every
input it must refuse is refused with its reason, exit status 1, and nothing
written: neither the launcher nor a file beside it; a runtime module of the
other edition among them, refused for the Excel it serves."""
import shutil
import subprocess
import sys
import zipfile
from pathlib import Path

packer, stub, payload, built, module, signed, work, other_dll, other_excel = sys.argv[1:10]
work = Path(work)
shutil.rmtree(work, ignore_errors=True)
work.mkdir(parents=True)
failures = []


def pack(output, *arguments, stub_file=stub):
    return subprocess.run([packer, "--stub", str(stub_file), "--payload", payload, *arguments,
                           "--output", str(output)], capture_output=True, text=True)


# The vendor's path and the build's give the same launcher, every time.
for attempt in ("first", "second"):
    made = pack(work / f"{attempt}.exe")
    if made.returncode != 0:
        failures.append(f"the sample payload was refused: {made.stderr}{made.stdout}")
    elif (work / f"{attempt}.exe").read_bytes() != Path(built).read_bytes():
        failures.append(f"the {attempt} packing differs from the built {built}")
if sorted(path.name for path in work.iterdir()) != ["first.exe", "second.exe"]:
    failures.append(f"packing left {sorted(path.name for path in work.iterdir())}")

stub_bytes = Path(stub).read_bytes()
inputs = work / "inputs"
inputs.mkdir()
(inputs / "text.exe").write_bytes(b"not a program at all\n")
(inputs / "cut.exe").write_bytes(stub_bytes[:len(stub_bytes) // 2])
(inputs / "headers_only.exe").write_bytes(stub_bytes[:1024])
with zipfile.ZipFile(inputs / "other_edition.zip", "w", zipfile.ZIP_DEFLATED) as archive:
    archive.write(other_dll, "SheltraRuntime.dll")

# (case, stub, extra arguments, output, the reason's words)
refusals = [
    ("not a PE image", inputs / "text.exe", [], work / "a.exe", "is not a PE image"),
    ("another PE: a DLL", Path(module), [], work / "a.exe", "is a DLL, not a launcher stub"),
    ("a signed stub", Path(signed), [], work / "a.exe", "is signed"),
    ("a launcher with its payload", Path(built), [], work / "a.exe", "already carries a payload (RUNTIME 102)"),
    ("a stub cut in half", inputs / "cut.exe", [], work / "a.exe", "cut short"),
    ("a stub of its headers only", inputs / "headers_only.exe", [], work / "a.exe", "a file cut short"),
    ("a payload that breaks the contract", Path(stub), ["--runtime", f"{payload}/workbook.xls"], work / "a.exe",
     "the payload breaks what the launcher or its runtime module relies on"),
    ("a runtime module of the other edition", Path(stub), ["--runtime", str(inputs / "other_edition.zip")],
     work / "a.exe", "the payload breaks what the launcher or its runtime module relies on"),
    ("a missing payload file", Path(stub), ["--chm", str(work / "missing.bin")], work / "a.exe",
     "CHM: " + str(work / "missing.bin") + " cannot be read"),
    ("an icon that is none", Path(stub), ["--icon", f"{payload}/update.bmp"], work / "a.exe",
     "is not an icon file"),
    ("an output folder that is missing", Path(stub), [], work / "missing" / "a.exe", "cannot be written"),
]
for case, stub_file, extra, output, reason in refusals:
    before = set(output.parent.iterdir()) if output.parent.exists() else set()
    refused = pack(output, *extra, stub_file=stub_file)
    after = set(output.parent.iterdir()) if output.parent.exists() else set()
    if refused.returncode != 1 or reason not in refused.stderr or "nothing written" not in refused.stderr:
        failures.append(f"{case}: exit {refused.returncode}, {refused.stderr.strip()!r}")
    if after != before:
        failures.append(f"{case}: left {sorted(str(path) for path in after - before)}")
    if case == "a runtime module of the other edition" and f"a module for {other_excel}" not in refused.stdout:
        failures.append(f"{case}: the report does not name {other_excel}: {refused.stdout}")
    print(f"{case}: {refused.stderr.strip()}")

if failures:
    sys.exit("pack_launchers:\n  " + "\n  ".join(failures))
