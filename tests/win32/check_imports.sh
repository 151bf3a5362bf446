#!/usr/bin/env bash
# Each shipped program must start on every Windows it is for. Wine's DLLs export every
# function whatever version Wine plays, so this reads the programs' import tables and holds
# each imported function to what each real Windows exports (tests/win32/exports/*.txt): a
# function missing there, or missing from one version, fails. The PE header must ask for
# Windows 4.0, or the 95 family and NT 4 refuse to load the program.
#   check_imports.sh OBJDUMP PROGRAM...
set -euo pipefail
objdump=$1
shift
exports=$(dirname "$0")/exports

# "DLL FUNCTION" per import, the DLL name upper-cased as the tables spell it.
imports_of() {
  "$objdump" -p "$1" | awk '/DLL Name:/ { dll = toupper($3) }
    dll != "" && /^\t[ 0-9a-f]+\t/ && NF >= 3 { print dll, $NF }'
}

status=0
for program in "$@"; do
  name=$(basename "$program")
  header=$("$objdump" -p "$program")
  for field in MajorOSystemVersion MajorSubsystemVersion; do
    [[ $(awk -v f="$field" '$1 == f { print $2 }' <<<"$header") == 4 ]] ||
      { echo "FAIL: $name: $field is not 4" >&2; status=1; }
  done
  for field in MinorOSystemVersion MinorSubsystemVersion; do
    [[ $(awk -v f="$field" '$1 == f { print $2 }' <<<"$header") == 0 ]] ||
      { echo "FAIL: $name: $field is not 0" >&2; status=1; }
  done
  imports_of "$program" | awk -v name="$name" '
    # A version has a function when the function came with that version or an earlier one of
    # the same family.
    function has(since, version, order) { return since != "-" && order[since] <= order[version] }
    BEGIN {
      split("95 98 98SE ME", nine); for (i in nine) order9[nine[i]] = i
      split("NT4 2000 XP Vista", nt); for (i in nt) orderNT[nt[i]] = i
      tested9 = "95 98SE ME"; testedNT = "NT4 2000 XP Vista"
    }
    FILENAME ~ /msvcrt\.txt$/ && !/^#/ && NF == 3 { since9["MSVCRT.DLL " $1] = $2; sinceNT["MSVCRT.DLL " $1] = $3; next }
    FILENAME ~ /system\.txt$/ && !/^#/ && NF == 4 { since9[$1 " " $2] = $3; sinceNT[$1 " " $2] = $4; next }
    FILENAME == "-" {
      key = $1 " " $2
      if (!(key in since9)) { print "FAIL: " name " imports " key ", which no table lists"; bad = 1; next }
      missing = ""
      n = split(tested9, list, " ")
      for (i = 1; i <= n; i++) if (!has(since9[key], list[i], order9)) missing = missing " " list[i]
      n = split(testedNT, list, " ")
      for (i = 1; i <= n; i++) if (!has(sinceNT[key], list[i], orderNT)) missing = missing " " list[i]
      if (missing != "") { print "FAIL: " name " imports " key ", missing on" missing; bad = 1 }
      count[$1]++
    }
    END {
      for (dll in count) printf "%s: %d functions from %s\n", name, count[dll], dll
      exit bad
    }' "$exports/msvcrt.txt" "$exports/system.txt" - >&2 || status=1
done
if ((status == 0)); then echo "imports: every function exported by 95 OSR2, 98 SE, ME, NT 4, 2000, XP and Vista"; fi
exit "$status"
