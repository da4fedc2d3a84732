#!/usr/bin/env python3
"""Packs a folder with the archive writer and reads the archive with Python's zlib module alone:
every entry's packed data must be exactly one zlib stream (header, deflate data, Adler-32) that
inflates to the file's content.

    python_zlib_reads_archive.py <archive_pack_folder program>
"""
import os
import random
import struct
import subprocess
import sys
import tempfile
import zlib


def words(n, seed):
    gen = random.Random(seed)
    vocabulary = [b"session ", b"customer ", b"agent ", b"printer ", b"driver ", b"error\r\n"]
    out = bytearray()
    while len(out) < n:
        out += gen.choice(vocabulary)
    return bytes(out[:n])


def entries(archive):
    data = open(archive, "rb").read()
    at = 0
    while at < len(data):
        directory = data[at + 1:at + 1 + data[at]]
        at += 1 + len(directory)
        name = data[at + 1:at + 1 + data[at]]
        at += 1 + len(name)
        size, packed = struct.unpack_from("<II", data, at)
        at += 8
        yield directory, name, size, data[at:at + packed]
        at += packed
    assert at == len(data), "archive ends inside an entry"


def main():
    tool = sys.argv[1]
    text = words(1_500_000, 1)
    noise = random.Random(2).randbytes(700_000)
    files = {
        ("", "empty.dat"): b"",
        ("", "hello.txt"): b"hello",
        ("docs\\", "text.txt"): text,
        ("docs\\deeper\\", "mixed.bin"): text[:300_000] + noise + text[:600_000],
        ("media\\", "noise.jpg"): noise,
    }
    with tempfile.TemporaryDirectory() as tmp:
        folder = os.path.join(tmp, "Folder")
        for (directory, name), content in files.items():
            path = os.path.join(folder, *directory.split("\\"))
            os.makedirs(path, exist_ok=True)
            with open(os.path.join(path, name), "wb") as f:
                f.write(content)
        archive = os.path.join(tmp, "Folder.z")
        subprocess.run([tool, folder, archive], check=True)

        seen = set()
        for directory, name, size, packed in entries(archive):
            key = (directory.decode("cp1252"), name.decode("cp1252"))
            content = files[key]
            assert packed[:2] == b"\x78\x9c", f"{key}: zlib header {packed[:2].hex()}"
            inflater = zlib.decompressobj()
            out = inflater.decompress(packed) + inflater.flush()
            assert inflater.eof and inflater.unused_data == b"", f"{key}: not one whole zlib stream"
            assert size == len(content) and out == content, f"{key}: content differs"
            assert struct.unpack(">I", packed[-4:])[0] == zlib.adler32(content), f"{key}: Adler-32"
            seen.add(key)
        assert seen == set(files), f"entries {sorted(seen)}"
    print(f"python zlib read {len(seen)} entries")


if __name__ == "__main__":
    main()
