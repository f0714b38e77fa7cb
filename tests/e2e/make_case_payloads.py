#!/usr/bin/env python3
"""Writes the resource files that the Wine cases' launchers carry instead of
the sample payload's, one per role that a case varies.

usage: make_case_payloads.py <output-dir>
"""
import struct
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "payload"))
from make_sample_payload import write_changed  # noqa: E402


def help_data(name, content, length=None):
    """The CHM resource: a word the launcher skips, the file name and its
    NUL, the content length (the content's own unless given) and the
    content."""
    length = len(content) if length is None else length
    return (struct.pack("<I", 0) + name + b"\0" + struct.pack("<I", length) +
            content)


HELP_CONTENT = b"CHM"

FILES = {
    # The placeholder an executable without a splash picture carries.
    "splash_placeholder.bin": b"1",
    # Too short for the format version: every setting keeps its default.
    "splash_data_one_byte.bin": b"\x02",
    "chm_guide.bin": help_data(b"Guide.chm", HELP_CONTENT),
    "chm_unnamed.bin": help_data(b"", HELP_CONTENT),
    # A name Windows opens as its null device in every folder.
    "chm_device.bin": help_data(b"nul.chm", HELP_CONTENT),
    # A katakana name in code page 932 (Japanese); the first character's
    # second byte has the value of a backslash.
    "chm_katakana.bin": help_data("ソフト.chm".encode("cp932"), HELP_CONTENT),
    # A name outside ASCII, as an authoring tool on a Western system writes
    # it (code page 1252), and as one writing UTF-8 does.
    "chm_western.bin": help_data("Übersicht.chm".encode("cp1252"), HELP_CONTENT),
    "chm_utf8.bin": help_data("Справка.chm".encode("utf-8"), HELP_CONTENT),
    # More bytes announced than carried.
    "chm_cut_short.bin": help_data(b"Guide.chm", HELP_CONTENT,
                                   length=len(HELP_CONTENT) + 2),
    "ext_xlsx.bin": b".xlsx\0",
}


def main():
    write_changed(Path(sys.argv[1]), FILES)


if __name__ == "__main__":
    main()
