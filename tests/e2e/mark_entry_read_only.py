#!/usr/bin/env python3
"""Copies a runtime archive with its first entry marked as a Windows host
marks a read-only file: host system 11 (NTFS) in "version made by" and the
DOS attributes read-only and archive (0x21) as its external attributes. The
rest of the archive stays byte for byte as it was built.

usage: mark_entry_read_only.py <archive> <output>
"""
import struct
import sys
from pathlib import Path

END_RECORD = b"PK\x05\x06"
CENTRAL_RECORD = b"PK\x01\x02"
WINDOWS_HOST = 11
READ_ONLY_ARCHIVE = 0x21


def marked(archive):
    data = bytearray(archive)
    end = data.rfind(END_RECORD)
    if end < 0:
        raise ValueError("no end-of-central-directory record")
    first = struct.unpack_from("<I", data, end + 16)[0]
    if data[first:first + 4] != CENTRAL_RECORD:
        raise ValueError("no central directory record where the end says")
    data[first + 5] = WINDOWS_HOST
    struct.pack_into("<I", data, first + 38, READ_ONLY_ARCHIVE)
    return bytes(data)


def main():
    source, output = map(Path, sys.argv[1:3])
    output.write_bytes(marked(source.read_bytes()))


if __name__ == "__main__":
    main()
