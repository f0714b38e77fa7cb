#!/usr/bin/env python3
"""Writes payload files that break what the launcher or its runtime module
relies on, each in one way, from the sample payload; broken_payloads.cmake
builds a launcher around each and expects launcher-check to refuse it.

usage: make_broken_payloads.py <sample-payload-dir> <output-dir>
"""
import io
import struct
import sys
import zipfile
from pathlib import Path

FILES = ["runtime_crc_mismatch.zip", "runtime_not_a_module.zip",
         "ext_without_dot.bin", "xlam_without_content_types.zip"]


def with_crc_mismatch(archive):
    """The archive with entry 0's CRC changed in its local header and its
    central record alike, so only the data check can catch it."""
    data = bytearray(archive)
    central = data.rindex(b"PK\x01\x02")
    local = struct.unpack_from("<I", data, central + 42)[0]
    for crc_at in (local + 14, central + 16):
        data[crc_at] ^= 0xFF
    return bytes(data)


def zipped(name, content):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr(name, content)
    return buffer.getvalue()


def main():
    sample, out = Path(sys.argv[1]), Path(sys.argv[2])
    out.mkdir(parents=True, exist_ok=True)
    files = {
        "runtime_crc_mismatch.zip": with_crc_mismatch((sample / "runtime.zip").read_bytes()),
        "runtime_not_a_module.zip": zipped("SheltraRuntime.dll", (sample / "workbook.xls").read_bytes()),
        "ext_without_dot.bin": b"xlam\0",
        "xlam_without_content_types.zip": zipped("xl/workbook.xml", b"<workbook/>"),
    }
    assert sorted(files) == sorted(FILES)
    for name, data in files.items():
        (out / name).write_bytes(data)


if __name__ == "__main__":
    main()
