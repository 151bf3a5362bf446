#!/usr/bin/env bash
# Times the whole report run on simulated machines beside its floor (kdx_run_bench: the same
# machine asked each distinct question of the run once, answers only walked), phase by
# phase: the sample machine samples/winxp_de as it is, and a copy of it with 200 printers on
# 20 drivers whose dependent files are partly present and partly missing
# (scripts/printer-setup.py).
#   bench-sim-run.sh [ROUNDS]   (default 5)
# KDX_RUN_BENCH=path/to/kdx_run_bench times another build of the program.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=${1:-5}
out=$PWD/build/bench/run-bench
if [[ -z ${KDX_RUN_BENCH:-} ]]; then
  if ! log=$(cmake --preset bench 2>&1 && cmake --build build/bench -j2 --target kdx_run_bench 2>&1); then
    echo "$log" >&2
    exit 1
  fi
fi
bench_exe=${KDX_RUN_BENCH:-$PWD/build/bench/kdx_run_bench}

rm -rf "$out"
mkdir -p "$out"
cp -a samples/winxp_de "$out/printers"
python3 scripts/printer-setup.py "$out/printers/registry/90_printers.reg" \
  "$out/printers/drive_c/WINDOWS/system32/spool/drivers/w32x86" tests/data/pe/kdx_resources.dll

for machine in printers winxp_de; do
  dir=$out/printers
  [[ $machine == winxp_de ]] && dir=$PWD/samples/winxp_de
  echo "== $machine: $rounds rounds, run and floor taking turns"
  taskset -c 0 "$bench_exe" "$dir" "$out/report-$machine.txt" "$rounds"
  echo "report: $(wc -c <"$out/report-$machine.txt") bytes, $(wc -l <"$out/report-$machine.txt") lines"
done
