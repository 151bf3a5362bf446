#!/usr/bin/env bash
# Times the whole report run under Wine beside its floor (kdx_run_bench.exe: the same machine
# asked each distinct question of the run once, answers only walked), phase by phase, in two
# prefixes: the benchmark prefix of bench-wine-export.sh as Wine makes it (build/win32/
# bench-prefix), and a copy of it with 200 printers on 20 drivers whose dependent files are
# partly present in the driver folders and partly missing (build/win32/bench-prefix-printers).
#   bench-wine-run.sh [ROUNDS]   (default 5)
# KDX_RUN_BENCH=path/to/kdx_run_bench.exe times another build of the program (an older
# commit's, say) in the same prefixes.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=${1:-5}
build=build/win32
out=$PWD/$build/bench-out
empty_prefix=$PWD/$build/bench-prefix
printer_prefix=$PWD/$build/bench-prefix-printers
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# A 32-bit Windows, whichever Wine is installed.
export WINEARCH=win32
# Every registry call is a round trip between the program and wineserver; a wake-up on the
# other core of this virtual machine costs up to 100 us, so everything runs on one core.
wine() { taskset -c 0 "$(type -P wine)" "$@"; }
wineserver() { taskset -c 0 "$(type -P wineserver)" "$@"; }

if [[ -z ${KDX_RUN_BENCH:-} ]]; then
  # Only the benchmark program; the compiler's output is shown when the build fails.
  if ! log=$(cmake --preset win32 2>&1 && cmake --build build/win32 -j2 --target kdx_run_bench 2>&1); then
    echo "$log" >&2
    exit 1
  fi
fi
bench_exe=${KDX_RUN_BENCH:-$PWD/$build/kdx_run_bench.exe}

make_prefix() {
  export WINEPREFIX=$1
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
}

if [[ ! -f $empty_prefix/system.reg ]]; then
  echo "making the Wine prefix $empty_prefix (once)"
  make_prefix "$empty_prefix"
fi

if [[ ! -f $printer_prefix/system.reg ]]; then
  echo "making the Wine prefix $printer_prefix with 200 printers (once)"
  wineserver -k 2>/dev/null || true
  rm -rf "$printer_prefix"
  cp -a "$empty_prefix" "$printer_prefix"
  export WINEPREFIX=$printer_prefix
  mkdir -p "$out"
  python3 scripts/printer-setup.py "$out/printers.reg" \
    "$printer_prefix/drive_c/windows/system32/spool/drivers/w32x86" tests/data/pe/kdx_resources.dll
  wine regedit /S "$(winepath -w "$out/printers.reg")" >/dev/null 2>&1
  wineserver -w
fi

mkdir -p "$out"
for prefix in "$printer_prefix" "$empty_prefix"; do
  export WINEPREFIX=$prefix
  wineserver -p
  echo "== $(basename "$prefix"): $rounds rounds, run and floor taking turns"
  wine "$bench_exe" "$(winepath -w "$out/report.txt" 2>/dev/null)" "$rounds" | tr -d '\r'
  echo "report: $(wc -c <"$out/report.txt") bytes, $(wc -l <"$out/report.txt") lines"
  wineserver -k 2>/dev/null || true
done
