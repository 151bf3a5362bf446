#!/usr/bin/env bash
# The fault campaign under Wine (docs/fault-campaign.md): a small sample of its faults, every
# call kind and every error, each one failing a real call of the shared prefix through the same
# fault layer as on the host. Two clean runs come first: the lines a live prefix changes between
# them (the clock, free memory) are not compared.
#   fault_campaign.sh PREFIX KDX_FAULT_CAMPAIGN_EXE SOURCE_DIR ARTIFACT_DIR
set -euo pipefail

export WINEPREFIX=$1
export WINEARCH=win32
campaign=$2
source=$3
out=$4/fault_campaign
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The German user locale of the other Wine tests: the report's dates and the names' order.
export LC_ALL=de_DE.UTF-8

rm -rf "$out"
mkdir -p "$out"
windows_out=$(winepath -w "$out")
wine "$campaign" --sample small --steady \
  --sites "$(winepath -w "$source/docs/fault-campaign.md")" \
  --report "$windows_out\\report.txt" --trace "$windows_out\\trace.txt" | tee "$out/campaign.txt"
