#!/usr/bin/env bash
# Each program must run as a single copied .exe: it may import only DLLs that every 32-bit
# Windows from XP on has in its system folder.
#   check_imports.sh OBJDUMP PROGRAM...
set -euo pipefail
objdump=$1
shift
allowed='^((ADVAPI32|COMDLG32|GDI32|KERNEL32|MSVCRT|OLE32|SHELL32|USER32|VERSION)\.DLL|WINSPOOL\.DRV)$'
status=0
for program in "$@"; do
  while read -r dll; do
    if ! [[ ${dll^^} =~ $allowed ]]; then
      echo "FAIL: $(basename "$program") imports $dll" >&2
      status=1
    fi
  done < <("$objdump" -p "$program" | awk '/DLL Name:/ {print $3}')
done
exit "$status"
