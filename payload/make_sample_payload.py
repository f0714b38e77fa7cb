#!/usr/bin/env python3
"""Writes the sample payload that the demo and the Wine tests build into a
launcher: one file per resource role, in the directory given, but for the
runtime archive, which the build zips from the runtime module double, and
the manifest, which is add_launcher()'s own (launcher/launcher.manifest).
Everything is made here, deterministically, so nothing binary lives in the
repository.

usage: make_sample_payload.py <output-dir> [--extension .xlam]
"""
import argparse
import io
import struct
import zipfile
from pathlib import Path

# Fixed time stamps keep the archives byte-identical from build to build.
ZIP_TIME = (2026, 1, 15, 9, 30, 0)

# The smallest baseline JPEG (1 x 1 pixel, grey) that picture viewers accept.
TINY_JPEG = bytes.fromhex(
    "ffd8ffe000104a46494600010100000100010000ffdb004300080606070605080707"
    "070909080a0c140d0c0b0b0c1912130f141d1a1f1e1d1a1c1c20242e2720222c231c"
    "1c2837292c30313434341f27393d38323c2e333432ffc0000b080001000101011100"
    "ffc4001f0000010501010101010100000000000000000102030405060708090a0bff"
    "c400b5100002010303020403050504040000017d0102030004110512213141061351"
    "6107227114328191a1082342b1c11552d1f02433627282090a161718191a25262728"
    "292a3435363738393a434445464748494a535455565758595a636465666768696a73"
    "7475767778797a838485868788898a92939495969798999aa2a3a4a5a6a7a8a9aab2"
    "b3b4b5b6b7b8b9bac2c3c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8"
    "e9eaf1f2f3f4f5f6f7f8f9faffda0008010100003f00fbd3ffd9")


def zip_bytes(entries):
    """A deflated ZIP archive of (name, bytes) entries, made the way the
    authoring tool makes them: Windows host system, archive attribute."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, ZIP_TIME)
            info.create_system = 11
            info.external_attr = 0x20
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data)
    return buffer.getvalue()


def icon_32x32():
    """An icon file with one 32 x 32, 32-bit image: a blue square."""
    size = 32
    pixels = bytes([0xC0, 0x60, 0x20, 0xFF]) * (size * size)
    and_mask = bytes(4 * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(and_mask), 0, 0, 0, 0)
    image = header + pixels + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image),
                        6 + 16)
    return directory + entry + image


def bitmap_59x59():
    """A 59 x 59, 8-bit bitmap file with a grey-scale palette."""
    size = 59
    stride = (size + 3) & ~3
    palette = b"".join(bytes([i, i, i, 0]) for i in range(256))
    rows = b"".join(bytes((x + y) % 256 for x in range(size)) +
                    bytes(stride - size) for y in range(size))
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 8, 0, len(rows),
                       2835, 2835, 256, 0)
    offset = 14 + len(info) + len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0,
                              offset)
    return file_header + info + palette + rows


def workbook_image():
    notice = (b"This workbook is protected. Start it with its application "
              b"executable; it cannot be opened on its own.\r\n")
    # Stands for the enciphered workbook: opaque bytes only the runtime
    # module reads.
    payload = bytes((i * 73 + 41) % 256 for i in range(2048))
    return notice + payload


def loader_xla():
    """The older loader add-in edition: an OLE2 compound file header."""
    header = bytes.fromhex("d0cf11e0a1b11ae1") + bytes(16)
    header += struct.pack("<HHHH", 0x3E, 3, 0xFFFE, 9)
    return header.ljust(512, b"\0") + b"sample loader add-in".ljust(512, b"\0")


def loader_xlam():
    """The Office Open XML loader add-in edition: a ZIP package."""
    content_types = (
        b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        b'<Types xmlns="http://schemas.openxmlformats.org/package/2006/'
        b'content-types"/>')
    return zip_bytes([("[Content_Types].xml", content_types)])


def write_changed(out, files):
    """Writes each file of `files` (name: bytes) into `out` unless it holds
    those bytes already, so that the build does not pack again for nothing."""
    out.mkdir(parents=True, exist_ok=True)
    for name, data in files.items():
        path = out / name
        if not path.exists() or path.read_bytes() != data:
            path.write_bytes(data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("output", type=Path)
    parser.add_argument("--extension", default=".xlam")
    args = parser.parse_args()
    out = args.output

    files = {
        "ldr.bin": b"1",
        "splash.zip": zip_bytes([("SPLASH.jpg", TINY_JPEG)]),
        "workbook.xls": workbook_image(),
        "ext.bin": args.extension.encode("ascii") + b"\0",
        "splash_data.bin": struct.pack("<iiiiiI", 2, 1, 0, 0, 3, 0),
        "updater.bin": b"1",
        "update_data.bin": struct.pack("<ii", 1, 0),
        "chm.bin": b"1",
        "loader.xlam": loader_xlam(),
        "loader.xla": loader_xla(),
        "launcher.ico": icon_32x32(),
        "update.bmp": bitmap_59x59(),
    }
    write_changed(out, files)


if __name__ == "__main__":
    main()
