#!/usr/bin/env python3
"""Makes the archives of the real-tool tests with Info-ZIP zip, Python's
zipfile, bsdtar and 7z, into the folder named on the command line.

The sources get fixed times so that the tests can check the times the reader
restores: modification 1700000000, access 1600000000 (both even, so the
two-second DOS time holds the modification time exactly)."""
import os
import random
import shutil
import subprocess
import sys
import zipfile

MODIFIED = 1700000000
ACCESSED = 1600000000


def set_times(out):
    # Every tool reads the sources, which moves their access time on; each
    # run starts from the fixed times again.
    for name in ("payload.bin", "readonly.txt"):
        os.utime(os.path.join(out, name), (ACCESSED, MODIFIED))


def run(args, cwd, tz="UTC", stdin=None):
    set_times(cwd)
    env = dict(os.environ, TZ=tz)
    subprocess.run(args, cwd=cwd, env=env, input=stdin, check=True,
                   stdout=subprocess.DEVNULL)


def make_sources(out):
    rng = random.Random(7)
    # Half random, half repetitive: deflate has work to do on both halves.
    chunks = [bytes(rng.getrandbits(8) for _ in range(512)) if i % 2 else
              b"launcher runtime %d\n" % i * 20 for i in range(400)]
    with open(os.path.join(out, "payload.bin"), "wb") as f:
        f.write(b"".join(chunks))
    with open(os.path.join(out, "readonly.txt"), "wb") as f:
        f.write(b"read me only\n")
    os.chmod(os.path.join(out, "readonly.txt"), 0o444)


def make_info_zip(out):
    run(["zip", "-q", "zip_deflate_ut.zip", "payload.bin"], out)
    run(["zip", "-q", "-X", "zip_deflate_plain.zip", "payload.bin"], out)
    run(["zip", "-q", "-0", "zip_stored.zip", "payload.bin"], out)
    run(["zip", "-q", "-P", "pass word", "zip_password.zip", "payload.bin"], out)
    run(["zip", "-q", "-X", "zip_local_plus3.zip", "payload.bin"], out,
        tz="UTC-3")
    run(["zip", "-q", "zip_comment.zip", "payload.bin"], out)
    comment = b"".join(b"%099d\n" % i for i in range(600))  # 60,000 bytes
    run(["zip", "-q", "-z", "zip_comment.zip"], out, stdin=comment)
    stub = b"MZ" + bytes(range(256)) * 40
    for name in ("zip_stub_plain.zip", "zip_stub_adjusted.zip"):
        with open(os.path.join(out, name), "wb") as f:
            f.write(stub)
            with open(os.path.join(out, "zip_stored.zip"), "rb") as archive:
                f.write(archive.read())
    run(["zip", "-q", "-A", "zip_stub_adjusted.zip"], out)


def make_python(out):
    with open(os.path.join(out, "payload.bin"), "rb") as f:
        payload = f.read()
    with zipfile.ZipFile(os.path.join(out, "python.zip"), "w") as archive:
        for name, system, attributes in (("fat_readonly.bin", 0, 0x21),
                                         ("ntfs_hidden.bin", 11, 0x22),
                                         ("folder/", 0, 0x10)):
            info = zipfile.ZipInfo(name, date_time=(2021, 6, 15, 10, 20, 30))
            info.create_system = system
            info.external_attr = attributes
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, b"" if name.endswith("/") else payload)


def make_others(out):
    run(["bsdtar", "--format", "zip", "-cf", "bsdtar.zip", "payload.bin",
         "readonly.txt"], out)
    run(["7z", "a", "-tzip", "-bd", "7z.zip", "payload.bin"], out)
    run(["7z", "a", "-tzip", "-bd", "-ppass", "-mem=ZipCrypto",
         "7z_password.zip", "payload.bin"], out)


def main():
    out = sys.argv[1]
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    make_sources(out)
    make_info_zip(out)
    make_python(out)
    make_others(out)


if __name__ == "__main__":
    main()
