#!/usr/bin/env bash
# Makes the event log files of the sample machines (checked in; run again only to change
# them) from their records in the text form kept beside this script.
set -euo pipefail
cd "$(dirname "$0")/../.."
for log in System Application; do
  python3 tools/sample-evt/make-evt.py "tools/sample-evt/winxp_de_$log.txt" \
    "samples/winxp_de/eventlog/$log.evt"
done
