#!/bin/sh
# Builds the optimised benchmarks and runs them: loading a machine with a 200,000-key
# registry, writing a report of 1,000,000 table rows, exporting 100,000 keys with
# 1,000,000 values in REGEDIT4 form, collecting 2,000 services, 1,024 processes and 500
# ports and printers, describing 500 printers with 20 dependent files each, and describing
# 20,000 files into the file list, reading a 100 MB report back, dumping a 4 MB INI file and
# describing a 5,000,000,000-byte file, each beside its floor.
# Extra arguments go to both benchmark programs (--benchmark_format=json, say).
set -eu
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench -j"$(nproc)" --target load_machine_bench write_report_bench export_registry_bench \
  collect_running_bench collect_printers_bench file_list_bench report_reader_bench \
  machine_shapes_bench
for bench in load_machine_bench write_report_bench export_registry_bench collect_running_bench \
  collect_printers_bench file_list_bench report_reader_bench machine_shapes_bench; do
  echo "== $bench"
  "build/bench/$bench" "$@"
done
