#!/usr/bin/env python3
"""other_readers.py LIST-ENTRIES [--cases N] [--seed S] [--keep DIR] ARCHIVE...

A differential test of the checker's reading of archives. Each archive given
is a fixed case; then N cases are made from them by structural mutations
(zip_mutations.py), chosen by the seed, so every run with the same seed and
archives makes the same cases.

Every case the checker calls whole (list-entries says "ok") is read again by
Python's zipfile, `unzip -Z` and `unzip -tq`, and `7z l -slt` where
installed. The test fails where a reader that accepts the archive lists other
names, sizes or CRC-32s, more or fewer entries, or an entry it would extract
as a link, folder or device; where zipfile or `unzip -tq` refuses it; and
when no case was whole at all, so that it never passes on nothing.
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile
import zlib

import zip_mutations

# The first letter of a Unix mode as listings show it; any other ("-", or
# "?" and "0" for a mode without a file type) is extracted as a plain file.
KINDS = {"d": "folder", "l": "link", "c": "device", "b": "device", "p": "device", "s": "device"}


def checker(lister, path):
    lines = subprocess.run([lister, path], capture_output=True, check=True).stdout.split(b"\n")
    entries = []
    for line in lines[1:]:
        if line:
            name, size, crc = line.split(b" ")
            entries.append((bytes.fromhex(name.decode()), int(size), int(crc), "file"))
    return lines[0] == b"ok", entries


def python_zipfile(path):
    """The entries zipfile extracts, or the reason it refuses."""
    entries = []
    try:
        with zipfile.ZipFile(path) as z:
            for info in z.infolist():
                # Names decode as cp437 (or UTF-8 with flag 11): back to bytes.
                raw = info.orig_filename.encode("utf-8" if info.flag_bits & 0x800 else "cp437")
                data = z.read(info)
                kind = "folder" if info.is_dir() else "file"
                entries.append((raw, len(data), zlib.crc32(data), kind))
    except Exception as error:  # any refusal
        return repr(error)
    return entries


# Mode, version, host, size, kind, method, date, time, name.
ZIPINFO_LINE = re.compile(rb"^(\S+)\s+\d+\.\d+\s+\S+\s+(\d+)\s+\S+\s+\S+\s+\S+\s+\S+\s(.*)$")


def unzip_listing(unzip, path):
    """The entries `unzip -Z` lists (no CRC-32), or None when it refuses."""
    run = subprocess.run([unzip, "-Z", path], capture_output=True)
    if run.returncode not in (0, 1):
        return None
    entries = []
    for line in run.stdout.split(b"\n"):
        match = ZIPINFO_LINE.match(line)
        if match:
            kind = KINDS.get(chr(match.group(1)[0]), "file")
            entries.append((match.group(3), int(match.group(2)), None, kind))
    return entries


def seven_listing(seven, path):
    """The entries `7z l -slt` lists, or None when it refuses."""
    run = subprocess.run([seven, "l", "-slt", path], capture_output=True)
    if run.returncode != 0:
        return None
    text = run.stdout.decode("utf-8", "replace")
    if "----------" not in text:
        return None
    entries = []
    for block in text.split("----------", 1)[1].split("\n\n"):
        fields = dict(line.split(" = ", 1) for line in block.splitlines() if " = " in line)
        if "Path" not in fields:
            continue
        attributes = fields.get("Attributes", "")
        unix = attributes.split(" ")[-1] if " " in attributes else ""
        kind = "folder" if fields.get("Folder") == "+" or "D" in attributes.split(" ")[0] \
            else KINDS.get(unix[:1], "file")
        crc = int(fields["CRC"], 16) if fields.get("CRC") else None
        entries.append((fields["Path"].encode(), int(fields.get("Size") or 0), crc, kind))
    return entries


def differences(reader, theirs, mine):
    """What the reader lists otherwise than the checker."""
    if len(theirs) != len(mine):
        return [f"{reader} lists {len(theirs)} entries, the checker {len(mine)}"]
    found = []
    for (name, size, crc, kind), (my_name, my_size, my_crc, _) in zip(
            sorted(theirs, key=lambda e: e[0]), sorted(mine, key=lambda e: e[0])):
        # Other readers show names converted from the archive's code page:
        # only plain ASCII names can be compared byte for byte there.
        if (reader == "zipfile" or my_name.isascii()) and name != my_name:
            found.append(f"{reader} lists {name!r}, the checker {my_name!r}")
        if size != my_size or (crc is not None and crc != my_crc):
            found.append(f"{reader} lists {name!r} as {size} bytes, CRC-32 {crc}, "
                         f"the checker {my_size} bytes, CRC-32 {my_crc}")
        if kind != "file":
            found.append(f"{reader} would extract {name!r} as a {kind}")
    return found


def compare(lister, path):
    """None when the checker refuses the archive, else the disagreements."""
    whole, mine = checker(lister, path)
    if not whole:
        return None
    theirs = python_zipfile(path)
    if isinstance(theirs, str):
        return [f"zipfile refuses it: {theirs}"]
    found = differences("zipfile", theirs, mine)
    unzip = shutil.which("unzip")
    if unzip:
        listed = unzip_listing(unzip, path)
        if listed is not None:
            found += differences("unzip -Z", listed, mine)
        if subprocess.run([unzip, "-tq", path], capture_output=True).returncode != 0:
            found.append("unzip -tq fails")
    seven = shutil.which("7z")
    if seven:
        listed = seven_listing(seven, path)
        if listed is not None:
            found += differences("7z", listed, mine)
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("lister")
    parser.add_argument("archives", nargs="+")
    parser.add_argument("--cases", type=int, default=0)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--keep", help="folder for the archives of failing cases")
    args = parser.parse_args()
    inputs = [(path, open(path, "rb").read()) for path in args.archives]
    compared = failed = 0
    with tempfile.TemporaryDirectory() as work:
        cases = [(path, None, []) for path, _ in inputs]
        for number in range(args.cases):
            rng = random.Random(f"{args.seed}:{number}")
            path, data = rng.choice(inputs)
            mutated, done = zip_mutations.mutate(data, rng, rng.randint(1, 3))
            cases.append((path, mutated, done))
        for number, (path, mutated, done) in enumerate(cases):
            if mutated is not None:
                name = os.path.join(work, f"case{number}.zip")
                with open(name, "wb") as out:
                    out.write(mutated)
            else:
                name = path
            found = compare(args.lister, name)
            if found is None:
                continue
            compared += 1
            if found:
                failed += 1
                how = f"case {number} ({path}; {'; '.join(done)})" if done else path
                print(f"{how}:\n  " + "\n  ".join(found))
                if args.keep and mutated is not None:
                    os.makedirs(args.keep, exist_ok=True)
                    shutil.copy(name, os.path.join(args.keep, f"case{number}.zip"))
            if mutated is not None:
                os.remove(name)
    total = len(inputs) + args.cases
    print(f"{compared} of {total} cases called whole by the checker and compared with other "
          f"readers (seed {args.seed}); {failed} disagree")
    if compared == 0:
        print("no case was whole: nothing was compared")
        return 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
