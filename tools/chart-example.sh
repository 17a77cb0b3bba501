#!/usr/bin/env bash
# Draws the README's example chart, docs/chart-example.png, from the day
# that the demo simulated: pcstat's chart of that day's visitors per hour.
#
# Usage: tools/demo.sh && tools/chart-example.sh [build-dir] [output.png]
#        (default build/default and docs/chart-example.png)
#
# It builds the scratch-root copy of pcstat when needed, reads the demo's
# report under <build-dir>/demo/scratch with it, as the demo itself does,
# and writes only the picture.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$here/build/default}" && pwd)
output=${2:-$here/docs/chart-example.png}
demo=$build/demo

reports=("$demo"/scratch/var/log/korvane/door1_*.csv)
if [[ ! -e ${reports[0]} ]]; then
    echo "chart-example: no demo day under $demo; run tools/demo.sh first" >&2
    exit 1
fi
# The demo's day, from the name of its (only) report file.
name=${reports[-1]##*_}
day=${name%.csv}

cmake --build "$build" --target pcstat-scratch >/dev/null
cd "$demo"
TZ=UTC "$build/stat/pcstat-scratch" --date "$day" --chart "$output" door1
