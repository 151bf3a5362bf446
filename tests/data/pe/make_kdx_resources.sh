#!/usr/bin/env bash
# Rebuilds kdx_resources.dll from kdx_resources.rc with the mingw-w64 tools. The two message
# tables are written here byte by byte, as windres cannot compile message texts and mixes no
# ANSI and UTF-16 entries: German (0x0407) and English (0x0409), each with ANSI (flags 0) and
# UTF-16 (flags 1) entries, the German one in two blocks.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import struct, sys

def entry(text, unicode):
    data = text.encode("utf-16-le") + b"\0\0" if unicode else text.encode("cp1252") + b"\0"
    data += b"\0" * (-(len(data) + 4) % 4)
    return struct.pack("<HH", len(data) + 4, 1 if unicode else 0) + data

def table(blocks):
    header = struct.pack("<I", len(blocks))
    offset = 4 + 12 * len(blocks)
    entries = b""
    for low, messages in blocks:
        header += struct.pack("<III", low, low + len(messages) - 1, offset + len(entries))
        for text, unicode in messages:
            entries += entry(text, unicode)
    return header + entries

german = table([
    (0x1, [("Kategorie\r\n", False),
           ("Meldung mit den Parametern %1 und %2\r\n", True),
           ("Grüße aus Düsseldorf\r\n", False)]),
    (0xC0000064, [("Fehler: Änderung für 5 € fehlgeschlagen.\r\n", True),
                  ("Nur deutsch\r\n", False)]),
])
english = table([
    (0x1, [("Category\r\n", False),
           ("Message with parameters %1 and %2\r\n", True),
           ("Greetings from Düsseldorf\r\n", False),
           ("Only in English\r\n", True)]),
])
open(sys.argv[1] + "/msg_de.bin", "wb").write(german)
open(sys.argv[1] + "/msg_en.bin", "wb").write(english)
PY

i686-w64-mingw32-windres --include-dir="$work" kdx_resources.rc -O coff -o "$work/resources.o"
i686-w64-mingw32-ld -shared --no-insert-timestamp --entry=0 -s -o kdx_resources.dll \
  "$work/resources.o"
