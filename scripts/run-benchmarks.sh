#!/bin/sh
# Builds the optimised benchmarks and runs them: loading a machine with a 200,000-key
# registry, and writing a report of 1,000,000 table rows, each beside its floor.
# Extra arguments go to both benchmark programs (--benchmark_format=json, say).
set -eu
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench -j"$(nproc)" --target load_machine_bench write_report_bench
for bench in load_machine_bench write_report_bench; do
  echo "== $bench"
  "build/bench/$bench" "$@"
done
