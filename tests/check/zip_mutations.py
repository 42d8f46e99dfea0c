"""Structural mutations of zip archives, each named, for the differential
test against other readers (other_readers.py).

An archive is handled as bytes; its records are found by their signatures
wherever they stand (in the comment too), so that every operator can reach
every record, also the ones a reader should never follow.
"""
import struct

LOCAL = b"PK\x03\x04"
RECORD = b"PK\x01\x02"
END = b"PK\x05\x06"

# Offsets of the count, offset, length and size fields of each record, by
# signature: (offset, width).
FIELDS = {
    LOCAL: [(18, 4), (22, 4), (26, 2), (28, 2)],
    RECORD: [(20, 4), (24, 4), (28, 2), (30, 2), (32, 2), (42, 4)],
    END: [(8, 2), (10, 2), (12, 4), (16, 4), (20, 2)],
}
SIZES = {LOCAL: 30, RECORD: 46, END: 22}

# Unix file types a record's external attributes may carry (upper 16 bits).
FILE_TYPES = [0o010000, 0o020000, 0o030000, 0o040000, 0o060000, 0o100000, 0o120000,
              0o140000, 0o170000]


def u16(data, at):
    return struct.unpack_from("<H", data, at)[0]


def u32(data, at):
    return struct.unpack_from("<I", data, at)[0]


def find_all(data, signature):
    found, at = [], data.find(signature)
    while at >= 0:
        if at + SIZES[signature] <= len(data):
            found.append(at)
        at = data.find(signature, at + 1)
    return found


def end_record(data):
    """The end record as the strictest readers take it: the last one whose
    comment reaches exactly to the end of the file; else the last one."""
    ends = find_all(data, END)
    for at in reversed(ends):
        if at + 22 + u16(data, at + 20) == len(data):
            return at
    return ends[-1] if ends else None


def directory(data):
    """(start, size, count, end record position) of the directory, or None."""
    at = end_record(data)
    if at is None:
        return None
    return u32(data, at + 16), u32(data, at + 12), u16(data, at + 10), at


def local_length(data, at):
    """The length of the local header at `at` with its name, extra field and data."""
    return 30 + u16(data, at + 26) + u16(data, at + 28) + u32(data, at + 18)


def record_for_local(data, at):
    """A directory record that lists the local header at `at`."""
    fields = data[at + 4:at + 30]
    names = data[at + 30:at + 30 + u16(data, at + 26)]
    return (RECORD + struct.pack("<H", 20) + fields + struct.pack("<HHHII", 0, 0, 0, 0x20, at)
            + names)


def end_bytes(count, size, start, comment):
    return END + struct.pack("<HHHHIIH", 0, 0, count, count, size, start, comment)


def set_comment_length(data, at, length):
    return data[:at + 20] + struct.pack("<H", length & 0xFFFF) + data[at + 22:]


def copy_into_comment(data, rng):
    """Copies the end record, or the whole directory plus end record, into
    the comment, the inner end record's comment length exact, one short or
    one long. The directory copy lists every local header the file holds,
    as a reader rebuilding it would."""
    found = directory(data)
    if found is None:
        return None
    start, size, count, end = found
    whole = rng.random() < 0.5
    copy_at = end + 22
    if whole:
        listed = {u32(data, start + r + 42) for r in find_all(data[start:end], RECORD)}
        records = data[start:end]
        extra = [at for at in find_all(data[:start], LOCAL) if at not in listed]
        for at in extra:
            records += record_for_local(data, at)
        inner = records + end_bytes(count + len(extra), len(records), copy_at, 0)
    else:
        inner = end_bytes(count, size, start, 0)
    length = rng.choice(["exact", "one short", "one long"])
    tail = b""
    if length == "one short":
        tail = b"\n"
    elif length == "one long":
        inner = inner[:-2] + struct.pack("<H", 1)
    comment = inner + tail
    mutated = set_comment_length(data[:end + 22], end, len(comment)) + comment
    return mutated, f"copy {'directory and end record' if whole else 'end record'} into the " \
                    f"comment ({length})"


def append_end(data, rng):
    """Appends a second end record (a copy of the one readers take)."""
    found = directory(data)
    if found is None:
        return None
    end = found[3]
    return data + data[end:end + 20] + b"\0\0", "append a second end record"


def shift_offsets(data, position, by):
    """Moves every offset that points at or past `position` by `by` bytes."""
    out = bytearray(data)
    for at in find_all(data, RECORD):
        if u32(data, at + 42) >= position:
            struct.pack_into("<I", out, at + 42, (u32(data, at + 42) + by) & 0xFFFFFFFF)
    for at in find_all(data, END):
        if u32(data, at + 16) >= position:
            struct.pack_into("<I", out, at + 16, (u32(data, at + 16) + by) & 0xFFFFFFFF)
    return bytes(out)


def insert_local(data, rng):
    """Inserts a local header (a copy of one of the archive's, with its data
    or with none) into a gap between entries, before the first entry or
    before the directory, moving the offsets past it."""
    found = directory(data)
    locals_ = find_all(data, LOCAL)
    if found is None or not locals_:
        return None
    start = found[0]
    source = rng.choice(locals_)
    with_data = rng.random() < 0.5
    if with_data:
        header = data[source:source + local_length(data, source)]
    else:
        names = 30 + u16(data, source + 26) + u16(data, source + 28)
        header = bytearray(data[source:source + names])
        struct.pack_into("<HIII", header, 8, 0, 0, 0, 0)  # stored, CRC-32 and sizes 0
        header = bytes(header)
    place = rng.choice(["in a gap", "before the first entry", "before the directory"])
    if place == "before the first entry":
        position = min(locals_)
    elif place == "before the directory":
        position = start
    else:
        position = rng.choice(locals_ + [start])
    if position > len(data):
        return None
    # Offsets at the position move too: no record points at the new header.
    moved = shift_offsets(data, position, len(header))
    return (moved[:position] + header + moved[position:],
            f"insert a local header {'with' if with_data else 'without'} data {place}")


def nudge_field(data, rng):
    """Adds or subtracts 1 to a count, offset, length or size field."""
    fields = [(at + offset, width) for signature, layout in FIELDS.items()
              for at in find_all(data, signature) for offset, width in layout]
    if not fields:
        return None
    at, width = rng.choice(fields)
    step = rng.choice([1, -1])
    mask = (1 << (8 * width)) - 1
    value = (int.from_bytes(data[at:at + width], "little") + step) & mask
    return (data[:at] + value.to_bytes(width, "little") + data[at + width:],
            f"{'add' if step > 0 else 'subtract'} 1 at byte {at}")


def set_host(data, rng):
    """Sets the host byte of a directory record's "made by" to 0-31."""
    records = find_all(data, RECORD)
    if not records:
        return None
    at = rng.choice(records)
    host = rng.randrange(32)
    return data[:at + 5] + bytes([host]) + data[at + 6:], f"host {host} at byte {at}"


def set_file_type(data, rng):
    """Sets a file type in a record's upper attribute bits, or the MS-DOS
    folder bit."""
    records = find_all(data, RECORD)
    if not records:
        return None
    at = rng.choice(records)
    external = u32(data, at + 38)
    if rng.random() < 0.2:
        external |= 0x10
        what = "the MS-DOS folder bit"
    else:
        kind = rng.choice(FILE_TYPES)
        external = (external & 0x0FFFFFFF) | (kind | 0o644) << 16
        what = f"file type {kind:o}"
    return (data[:at + 38] + struct.pack("<I", external & 0xFFFFFFFF) + data[at + 42:],
            f"{what} at byte {at}")


def truncate(data, rng):
    """Cuts the file where a record begins."""
    starts = sorted(set(find_all(data, LOCAL) + find_all(data, RECORD) + find_all(data, END)))
    if not starts:
        return None
    at = rng.choice(starts)
    return data[:at], f"truncate at byte {at}"


OPERATORS = {
    "comment copy": copy_into_comment,
    "second end record": append_end,
    "local header": insert_local,
    "field off by one": nudge_field,
    "host byte": set_host,
    "file type": set_file_type,
    "truncate": truncate,
}


def mutate(data, rng, steps):
    """Applies `steps` operators chosen by `rng`; returns the bytes and what
    was done (a list of texts)."""
    done = []
    for _ in range(steps):
        name = rng.choice(sorted(OPERATORS))
        result = OPERATORS[name](data, rng)
        if result is None:
            continue
        data, what = result
        done.append(what)
    return data, done
