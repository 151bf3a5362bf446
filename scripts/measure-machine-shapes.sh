#!/usr/bin/env bash
# Runs a host program on each machine shape of make-machine-shape.sh and prints its time, peak
# memory and exit status, stopping each run after LIMIT seconds (default 120).
# Usage: measure-machine-shapes.sh KDXINFO WORK_DIR [SHAPE...]
set -euo pipefail
kdxinfo=$1
work=$2
shift 2
shapes=("$@")
[ ${#shapes[@]} -gt 0 ] || shapes=(links ini bigfile messages dotdot ne)
limit=${LIMIT:-120}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$work"
printf '%-10s %10s %12s %s\n' shape seconds peak_MB status
for shape in "${shapes[@]}"; do
  machine="$work/$shape"
  [ -d "$machine" ] || bash "$source_dir/scripts/make-machine-shape.sh" "$shape" "$machine"
  status=0
  /usr/bin/time -f '%e %M' -o "$work/$shape.time" timeout "$limit" "$kdxinfo" --machine "$machine" \
    --yes --output "$work/$shape.txt" > /dev/null 2> "$work/$shape.stderr" || status=$?
  read -r seconds peak < <(tail -1 "$work/$shape.time")
  printf '%-10s %10s %12s %s\n' "$shape" "$seconds" "$((peak / 1024))" \
    "$([ "$status" -eq 124 ] && echo "stopped after ${limit} s" || echo "exit $status")"
done
