#!/usr/bin/env bash
# The whole fault campaign (docs/fault-campaign.md) on the sample machines: each platform call
# of a run failed with each error of its kind, and every run held to what the report must still
# be. Builds the campaign first; prints calls, runs, survived and minutes per machine, and each
# run that did not survive. The trace names each fault before its run, for a crash to name it.
#   fault-campaign.sh [OUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/host/fault-campaign}
cmake --preset host >/dev/null
cmake --build --preset host -j"$(nproc)" --target kdx_fault_campaign
mkdir -p "$out"
build/host/kdx_fault_campaign --sample whole --sites docs/fault-campaign.md \
  --report "$out/report.txt" --trace "$out/trace.txt" --golden tests/golden \
  samples/winxp_de samples/win98se_de samples/win10x64_de | tee "$out/campaign.txt"
