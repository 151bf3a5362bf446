#!/usr/bin/env bash
# Times the console program with and without --capture under Wine on a large PC: the
# benchmark prefix of bench-wine-export.sh (build/win32/bench-prefix) copied, with 2,000 more
# files in the driver folders (build/win32/bench-prefix-capture, made once). The two runs take
# turns; each prints its wall time and peak memory, and the capture its size.
#   bench-wine-capture.sh [ROUNDS]   (default 5)
# KDX_CONSOLE_EXE=path/to/kdxinfo.exe times another build of the program (an older commit's,
# say) on the same prefix.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=${1:-5}
build=build/win32
out=$PWD/$build/bench-out/capture
base_prefix=$PWD/$build/bench-prefix
export WINEPREFIX=$PWD/$build/bench-prefix-capture
# A 32-bit Windows, whichever Wine is installed.
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Every registry and file call is a round trip to wineserver; on one core the figures hold still.
wine() { taskset -c 0 "$(type -P wine)" "$@"; }
wineserver() { taskset -c 0 "$(type -P wineserver)" "$@"; }

if [[ -z ${KDX_CONSOLE_EXE:-} ]]; then
  if ! log=$(cmake --preset win32 2>&1 && cmake --build build/win32 -j2 --target kdxinfo_console 2>&1); then
    echo "$log" >&2
    exit 1
  fi
fi
program=${KDX_CONSOLE_EXE:-$PWD/$build/console/kdxinfo.exe}

if [[ ! -f $base_prefix/system.reg ]]; then
  echo "making the Wine prefix $base_prefix (once)"
  wineserver -k 2>/dev/null || true
  WINEPREFIX=$base_prefix wineboot -i >/dev/null 2>&1
  WINEPREFIX=$base_prefix wineserver -w
fi
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "making the Wine prefix $WINEPREFIX with 2,000 driver files (once)"
  rm -rf "$WINEPREFIX"
  cp -a "$base_prefix" "$WINEPREFIX"
  drivers=$WINEPREFIX/drive_c/windows/system32/spool/drivers/w32x86
  mkdir -p "$drivers/3"
  # 1,500 driver libraries with a version resource and 500 data files beside them.
  for i in $(seq -w 1 1500); do cp tests/data/pe/kdx_resources.dll "$drivers/3/kdxd$i.dll"; done
  for i in $(seq -w 1 500); do
    head -c 2048 /dev/zero | tr '\0' 'x' >"$drivers/kdxd$i.ppd"
  done
fi

now_ns() { date +%s%N; }
# Reads numbers, one a line; prints "best median".
best_median() {
  sort -n | awk '{ v[NR] = $1 } END { printf "%s %s", v[1], v[int((NR + 1) / 2)] }'
}

mkdir -p "$out"
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
# One untimed run first: the prefix's services start and the files come into the page cache.
rm -rf "${out:?}"/*
mkdir -p "$out/warm"
wine "$program" --yes --output "$(winepath -w "$out/warm" 2>/dev/null)" >/dev/null 2>&1

: >"$out/plain.times"
: >"$out/capture.times"
for round in $(seq 1 "$rounds"); do
  for kind in plain capture; do
    rm -rf "$out/run" "$out/pc"
    mkdir -p "$out/run"
    args=(--yes --output "$(winepath -w "$out/run" 2>/dev/null)")
    [[ $kind == capture ]] && args+=(--capture "$(winepath -w "$out/pc" 2>/dev/null)")
    start=$(now_ns)
    /usr/bin/time -f "%M" -o "$out/memory" wine "$program" "${args[@]}" >"$out/console" 2>&1
    end=$(now_ns)
    echo "$(( (end - start) / 1000000 )) $(cat "$out/memory")" >>"$out/$kind.times"
  done
  echo "round $round: plain $(tail -1 "$out/plain.times") / capture $(tail -1 "$out/capture.times") (ms, KB)"
done
capture_line=$(tr -d '\r' <"$out/console" | grep '^Capture in' || true)

echo "== $(basename "$WINEPREFIX"), $rounds rounds: wall ms best/median, peak RSS KB best/median"
plain_ms=$(cut -d' ' -f1 "$out/plain.times" | best_median)
capture_ms=$(cut -d' ' -f1 "$out/capture.times" | best_median)
echo "kdxinfo.exe --yes --output DIR           ${plain_ms}   RSS $(cut -d' ' -f2 "$out/plain.times" | best_median)"
echo "kdxinfo.exe --yes --output DIR --capture ${capture_ms}   RSS $(cut -d' ' -f2 "$out/capture.times" | best_median)"
awk -v p="${plain_ms#* }" -v c="${capture_ms#* }" 'BEGIN { printf "median ratio %.2f\n", c / p }'
echo "report: $(wc -c <"$(ls "$out"/run/KDXINFO_*.txt)") bytes; ${capture_line:-no capture line}"
