#!/usr/bin/env bash
# Sets the registry export of HKLM\System\CurrentControlSet beside "regedit /e" of the same
# key, under Wine in one prefix (build/win32/bench-prefix, made once and then reused).
# Every "wine" call pays for a process start, so "wine cmd /c exit" is timed too; the export
# program also times itself in process, where that start is left out.
#   bench-wine-export.sh [RUNS]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
build=build/win32
out=$PWD/$build/bench-out
bench_exe=$PWD/$build/kdx_export_bench.exe
export WINEPREFIX=$PWD/$build/bench-prefix
# A 32-bit Windows, whichever Wine is installed.
export WINEARCH=win32
export WINEDEBUG=-all
# No Mono or Gecko installer prompts during wineboot.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Every registry call is a round trip between the program and wineserver. On this virtual
# machine a wake-up on the other core costs about 100 us at times, which made the same export
# take 10 ms in one run and 120 ms in the next; on one core the figures hold still.
wine() { taskset -c 0 "$(type -P wine)" "$@"; }
wineserver() { taskset -c 0 "$(type -P wineserver)" "$@"; }

# The compiler's output is shown only when the build fails.
if ! log=$(cmake --preset win32 2>&1 && cmake --build --preset win32 -j"$(nproc)" 2>&1); then
  echo "$log" >&2
  exit 1
fi

if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "making the Wine prefix $WINEPREFIX (once)"
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
mkdir -p "$out"
rm -f "$out"/*

# One server for every timed call, so that none of them pays for starting it; it ends with
# the script.
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT

export_file=$(winepath -w "$out/export.txt" 2>/dev/null)
regedit_file=$(winepath -w "$out/regedit.reg" 2>/dev/null)
regedit_key='HKEY_LOCAL_MACHINE\System\CurrentControlSet'

# One untimed call of each first: the prefix's services start with the first program and the
# files come into the page cache, neither of which belongs to the figures.
wine cmd /c exit >/dev/null 2>&1
wine "$bench_exe" "$export_file" 1 >/dev/null 2>&1
wine regedit /e "$regedit_file" "$regedit_key" >/dev/null 2>&1

now_ns() { date +%s%N; }
# Milliseconds between two date +%s%N stamps.
elapsed_ms() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b - a) / 1e6 }'; }

# Reads numbers, one a line; prints "best median".
best_median() {
  sort -g | awk '{ v[NR] = $1 }
    END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
          printf "%.1f %.1f\n", v[1], m }'
}

# Runs a command RUNS times, each its own process; prints each wall time in ms, one a line.
time_calls() {
  local start end
  for ((i = 0; i < runs; i++)); do
    start=$(now_ns)
    "$@" >/dev/null 2>&1
    end=$(now_ns)
    elapsed_ms "$start" "$end"
    echo
  done
}

# As time_calls for one export each; prints "wall in-process" per call.
time_export_calls() {
  local start end log
  for ((i = 0; i < runs; i++)); do
    start=$(now_ns)
    log=$(wine "$bench_exe" "$export_file" 1 2>&1 | tr -d '\r')
    end=$(now_ns)
    echo "$(elapsed_ms "$start" "$end") $(sed -n 's/^best: \([0-9.]*\) ms$/\1/p' <<<"$log")"
  done
}

echo "== kdx_export_bench.exe, $runs runs in one process"
wine "$bench_exe" "$export_file" "$runs" | tr -d '\r'
warm=$(wine "$bench_exe" "$export_file" "$runs" | tr -d '\r' |
  sed -n 's/^\(best\|median\): \([0-9.]*\) ms$/\2/p' | paste -sd' ')

echo "== timing $runs calls of each (wall, ms)"
startup=$(time_calls wine cmd /c exit | best_median)
# Each program's own start-up: the export program told to do nothing, regedit told to export
# a key that does not exist (it loads its window libraries either way).
export_startup=$(time_calls wine "$bench_exe" "$export_file" 0 | best_median)
regedit_startup=$(time_calls wine regedit /e "$regedit_file" 'HKEY_LOCAL_MACHINE\NoSuchKey' |
  best_median)
export_calls=$(time_export_calls)
export_wall=$(cut -d' ' -f1 <<<"$export_calls" | best_median)
export_cold=$(cut -d' ' -f2 <<<"$export_calls" | best_median)
regedit_wall=$(time_calls wine regedit /e "$regedit_file" "$regedit_key" | best_median)

row() { read -r best median <<<"$2"; printf "%-50s %10s %10s\n" "$1" "$best" "$median"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
minus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a - b }'; }

read -r sb sm <<<"$startup"
read -r ewb ewm <<<"$export_wall"
read -r ecb ecm <<<"$export_cold"
read -r rwb rwm <<<"$regedit_wall"
read -r rsb rsm <<<"$regedit_startup"

echo
printf "%-50s %10s %10s\n" "ms" "best" "median"
row "export in process, warm ($runs runs, one process)" "$warm"
row "export in process, first run of its process" "$export_cold"
row "export wall, incl. wine start-up" "$export_wall"
row "regedit /e wall, incl. wine start-up" "$regedit_wall"
row "wine start-up (wine cmd /c exit)" "$startup"
row "regedit /e minus wine start-up" "$(minus "$rwb" "$sb") $(minus "$rwm" "$sm")"
row "export start-up (0 runs)" "$export_startup"
row "regedit start-up (key that does not exist)" "$regedit_startup"
row "regedit /e minus regedit start-up" "$(minus "$rwb" "$rsb") $(minus "$rwm" "$rsm")"
echo
row "ratio regedit / export, wall vs wall" "$(ratio "$rwb" "$ewb") $(ratio "$rwm" "$ewm")"
row "ratio regedit - wine start-up / export in process" \
  "$(ratio "$(minus "$rwb" "$sb")" "$ecb") $(ratio "$(minus "$rwm" "$sm")" "$ecm")"
row "ratio regedit - regedit start-up / export in proc." \
  "$(ratio "$(minus "$rwb" "$rsb")" "$ecb") $(ratio "$(minus "$rwm" "$rsm")" "$ecm")"
echo
echo "export output:  $(wc -c <"$out/export.txt") bytes, $(wc -l <"$out/export.txt") lines" \
  "(Windows-1252, CR LF)"
echo "regedit output: $(wc -c <"$out/regedit.reg") bytes, $(wc -l <"$out/regedit.reg") lines" \
  "($(file -b "$out/regedit.reg" | cut -d, -f1-2))"
