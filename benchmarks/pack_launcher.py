#!/usr/bin/env python3
"""How long launcher-pack takes to make a launcher, beside the time to copy
the same bytes (the stub and every payload file read, the launcher written),
which no packer can beat; and the same packing without launcher-check's
rules (--unchecked), to tell the writing from the check. Two payloads: the sample, and the sample with a
runtime archive of about 40 MiB (the large runtime module, stored). Prints
the median of several runs; never fails on a slow machine.
   pack_launcher.py --build <tree>"""
import argparse
import statistics
import subprocess
import tempfile
import time
import zipfile
from pathlib import Path

RUNS = 7


def median_seconds(action):
    times = []
    for _ in range(RUNS):
        start = time.perf_counter()
        action()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def copy_bytes(sources, target):
    with open(target, "wb") as out:
        for source in sources:
            out.write(Path(source).read_bytes())


def given_packer(build):
    """The launcher-pack the tree was handed (LAUNCHER_PACK), if any."""
    for line in (build / "CMakeCache.txt").read_text().splitlines():
        if line.startswith("LAUNCHER_PACK:") and line.split("=", 1)[1]:
            return Path(line.split("=", 1)[1])
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", type=Path, required=True)
    build = parser.parse_args().build.resolve()
    packer = given_packer(build) or build / "launcher-check-host/tools/launcher_pack/launcher-pack"
    stub = next(build.glob("LauncherStub-*.exe"))
    payload = build / "payload/sample"
    large_module = build / "tests/doubles/runtime_module/v29_large/SheltraRuntime.dll"
    with tempfile.TemporaryDirectory() as work:
        work = Path(work)
        large_archive = work / "runtime_40mib.zip"
        with zipfile.ZipFile(large_archive, "w", zipfile.ZIP_STORED) as archive:
            archive.write(large_module, "SheltraRuntime.dll")
        for name, extra in (("sample payload", []), ("40 MiB runtime archive", ["--runtime", str(large_archive)])):
            output = work / "Launcher.exe"
            command = [packer, "--stub", stub, "--payload", payload, *extra, "--output", output,
                       "--depfile", work / "inputs.d"]
            subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
            inputs = [stub] + [line.strip(" \\") for line in (work / "inputs.d").read_text().splitlines()[1:]]
            size = output.stat().st_size
            packing = median_seconds(lambda: subprocess.run(command, check=True, stdout=subprocess.DEVNULL))
            unchecked = median_seconds(
                lambda: subprocess.run([*command, "--unchecked"], check=True, stdout=subprocess.DEVNULL))
            copying = median_seconds(lambda: copy_bytes(inputs, work / "copy.bin"))
            print(f"{name}: launcher of {size / 2**20:.1f} MiB; pack median {packing * 1000:.0f} ms "
                  f"({packing / copying:.1f}x the copy), of which packing without the check "
                  f"{unchecked * 1000:.0f} ms ({unchecked / copying:.1f}x); "
                  f"copy of the same bytes {copying * 1000:.0f} ms")


if __name__ == "__main__":
    main()
