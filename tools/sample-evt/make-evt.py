#!/usr/bin/env python3
"""Writes an event log file as Windows XP keeps one (.evt: a 48-byte header, the records with
their texts in UTF-16, the end-of-file record) from records in the machine directory's text
form (docs/machine-directory.md, "Event logs"). The sample machines' .evt files are made with
it; the script says how.

    make-evt.py RECORDS.txt OUTPUT.evt
"""
import calendar
import struct
import sys
import time

TYPES = {"success": 0, "error": 1, "warning": 2, "information": 4,
         "audit success": 8, "audit failure": 16}
HEADER_SIZE = 0x30
SIGNATURE = 0x654C664C  # "LfLe"
EOF_SIZE = 0x28


def read_records(path):
    records, current = [], None
    for line in open(path, encoding="utf-8").read().splitlines() + [""]:
        if line.startswith("#"):
            continue
        if not line.strip():
            if current:
                records.append(current)
            current = None
            continue
        key, _, value = line.partition(":")
        current = current or {"string": []}
        value = value.lstrip()
        if key == "string":
            current["string"].append(value)
        else:
            current[key] = value
    return records


def utf16z(text):
    return text.encode("utf-16-le") + b"\0\0"


def record_bytes(number, record):
    seconds = calendar.timegm(time.strptime(record["time"], "%Y-%m-%d %H:%M:%S"))
    kind = record["type"].lower()
    event_type = TYPES[kind] if kind in TYPES else int(kind)
    names = utf16z(record["source"]) + utf16z(record["computer"])
    names += b"\0" * (-(56 + len(names)) % 4)
    strings = b"".join(utf16z(s) for s in record["string"])
    string_offset = 56 + len(names)
    data_offset = string_offset + len(strings)
    body = names + strings
    body += b"\0" * (-(56 + len(body)) % 4)
    length = 56 + len(body) + 4
    fixed = struct.pack("<IIIIIIHHHHIIIIII", length, SIGNATURE, number, seconds, seconds,
                        int(record["id"], 16), event_type, len(record["string"]), 0, 0, 0,
                        string_offset, 0, string_offset, 0, data_offset)
    return fixed + body + struct.pack("<I", length)


def main(source, output):
    records = read_records(source)
    body = b"".join(record_bytes(n + 1, r) for n, r in enumerate(records))
    end = HEADER_SIZE + len(body)
    next_number, oldest = len(records) + 1, 1
    eof = struct.pack("<IIIIIIIIII", EOF_SIZE, 0x11111111, 0x22222222, 0x33333333, 0x44444444,
                      HEADER_SIZE, end, next_number, oldest, EOF_SIZE)
    size = end + EOF_SIZE
    header = struct.pack("<IIIIIIIIIIII", HEADER_SIZE, SIGNATURE, 1, 1, HEADER_SIZE, end,
                         next_number, oldest, size, 0, 0, HEADER_SIZE)
    open(output, "wb").write(header + body + eof)


if __name__ == "__main__":
    main(*sys.argv[1:3])
