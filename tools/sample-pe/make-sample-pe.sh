#!/usr/bin/env bash
# Builds a small 32-bit PE file with a version resource, for the sample machines: the file
# inventory reads the version texts of real PE bytes, and the samples' golden reports show
# them. The files are checked in; this script says how they were made.
#   make-sample-pe.sh OUTPUT FILEVERSION PRODUCTVERSION COMPANY [LANGUAGE CODEPAGE]
#   e.g. make-sample-pe.sh KDXMONX.DLL 2.0.0.14 2.0 "Kelmo Instruments GmbH"
# Needs mingw-w64 (scripts/install-deps.sh installs it). An empty COMPANY leaves the value out.
set -euo pipefail
output=$1 file_version=$2 product_version=$3 company=$4
language=${5:-0x0407} codepage=${6:-1252}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The first four numbers of a version text, as the fixed part of the resource holds them.
numbers() {
  echo "$1" | awk -F. '{ for (i = 1; i <= 4; i++) { n = $i + 0; printf "%s%d", (i > 1 ? "," : ""), n } }'
}
block=$(printf '%04X%04X' "$language" "$codepage")
{
  echo '#include <winver.h>'
  echo '1 VERSIONINFO'
  echo "FILEVERSION $(numbers "$file_version")"
  echo "PRODUCTVERSION $(numbers "$product_version")"
  echo 'FILEOS VOS_NT_WINDOWS32'
  echo 'FILETYPE VFT_DLL'
  echo 'BEGIN'
  echo '  BLOCK "StringFileInfo"'
  echo '  BEGIN'
  echo "    BLOCK \"$block\""
  echo '    BEGIN'
  [[ -n $company ]] && echo "      VALUE \"CompanyName\", \"$company\\0\""
  echo "      VALUE \"FileVersion\", \"$file_version\\0\""
  echo "      VALUE \"ProductVersion\", \"$product_version\\0\""
  echo '    END'
  echo '  END'
  echo '  BLOCK "VarFileInfo"'
  echo '  BEGIN'
  echo "    VALUE \"Translation\", $language, $codepage"
  echo '  END'
  echo 'END'
} | iconv -f UTF-8 -t CP1252 >"$work/version.rc"
echo 'int __stdcall DllMainCRTStartup(void* m, unsigned r, void* p) { (void)m; (void)r; (void)p; return 1; }' \
  >"$work/entry.c"
i686-w64-mingw32-windres -c "$codepage" "$work/version.rc" -O coff -o "$work/version.res"
i686-w64-mingw32-gcc -Os -s -nostdlib -shared -Wl,--entry,_DllMainCRTStartup@12 \
  "$work/entry.c" "$work/version.res" -o "$output"
