#!/usr/bin/env bash
# Builds a small 32-bit PE file with a message table, for the sample machines' event log
# sources: the event log export formats its messages from the table of real PE bytes, and the
# samples' golden reports show them. The files are checked in; this script says how they were
# made.
#   make-sample-messages.sh OUTPUT LANGUAGE ID TEXT [ID TEXT ...]
#   e.g. make-sample-messages.sh netevent.dll 0x0407 0x80001775 'Der Dienst wurde gestartet.%r%n'
# ID is the full 32-bit message id in hex; TEXT is UTF-8 and stored as Windows-1252 (ANSI
# entries), with CR LF appended as the message compiler does. Needs mingw-w64.
set -euo pipefail
output=$1 language=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work/messages.bin" "$@" <<'PY'
import struct, sys

out, args = sys.argv[1], sys.argv[2:]
messages = sorted((int(args[i], 16), args[i + 1]) for i in range(0, len(args), 2))

def entry(text):
    data = (text + "\r\n").encode("cp1252") + b"\0"
    data += b"\0" * (-(len(data) + 4) % 4)
    return struct.pack("<HH", len(data) + 4, 0) + data

# One block for each message: the ids need not be consecutive.
header = struct.pack("<I", len(messages))
offset = 4 + 12 * len(messages)
entries = b""
for message_id, text in messages:
    header += struct.pack("<III", message_id, message_id, offset + len(entries))
    entries += entry(text)
open(out, "wb").write(header + entries)
PY

primary=$((language & 0x3FF)) sub=$((language >> 10))
printf 'LANGUAGE %d, %d\n1 MESSAGETABLE "messages.bin"\n' "$primary" "$sub" >"$work/messages.rc"
i686-w64-mingw32-windres --include-dir="$work" "$work/messages.rc" -O coff -o "$work/messages.o"
i686-w64-mingw32-ld -shared --no-insert-timestamp --entry=0 -s -o "$output" "$work/messages.o"
