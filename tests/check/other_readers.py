#!/usr/bin/env python3
"""other_readers.py LIST-ENTRIES ARCHIVE...

For every archive the checker calls "ok", independent readers must list the
same entries, with the same raw name bytes and the same data: Python's
zipfile always, `unzip -Z1` / `unzip -tq` and `7z l -slt` where installed.
Fails when no archive was "ok", so that it never passes on nothing.
"""
import shutil
import subprocess
import sys
import zipfile
import zlib


def checker(lister, path):
    lines = subprocess.run([lister, path], capture_output=True, check=True).stdout.split(b"\n")
    entries = []
    for line in lines[1:]:
        if line:
            name, size, crc = line.split(b" ")
            entries.append((bytes.fromhex(name.decode()), int(size), int(crc)))
    return lines[0] == b"ok", entries


def python_zipfile(path):
    entries = []
    with zipfile.ZipFile(path) as z:
        for info in z.infolist():
            # zipfile decodes names as cp437 (or UTF-8 with flag 11): back to bytes.
            raw = info.orig_filename.encode("utf-8" if info.flag_bits & 0x800 else "cp437")
            data = z.read(info)
            entries.append((raw, len(data), zlib.crc32(data)))
    return entries


def main():
    lister, archives = sys.argv[1], sys.argv[2:]
    unzip = shutil.which("unzip")
    seven = shutil.which("7z")
    compared = 0
    failures = []
    for path in archives:
        ok, mine = checker(lister, path)
        if not ok:
            continue
        compared += 1
        try:
            theirs = python_zipfile(path)
        except Exception as error:  # any refusal by zipfile is a disagreement
            theirs = repr(error)
        if theirs != mine:
            failures.append(f"{path}: zipfile lists {theirs}, the checker {mine}")
        names = [name for name, _, _ in mine]
        if unzip:
            listed = subprocess.run([unzip, "-Z1", path], capture_output=True).stdout
            if listed.split(b"\n")[:-1] != names:
                failures.append(f"{path}: unzip -Z1 lists {listed!r}, the checker {names}")
            if subprocess.run([unzip, "-tq", path], capture_output=True).returncode != 0:
                failures.append(f"{path}: unzip -tq fails")
        if seven:
            listed = subprocess.run([seven, "l", "-slt", path], capture_output=True).stdout
            paths = [line[7:].encode() for line in listed.decode("utf-8", "replace").splitlines()
                     if line.startswith("Path = ")][1:]
            if paths != names:
                failures.append(f"{path}: 7z lists {paths}, the checker {names}")
    for failure in failures:
        print(failure)
    print(f"{compared} ok archives compared with other readers, of {len(archives)}")
    if compared == 0:
        print("no archive was ok: nothing was compared")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
