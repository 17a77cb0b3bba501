#!/usr/bin/env bash
# Times pcview showing a report of 100,000 lines.
#
# Usage: tools/bench-viewer.sh [pcview-scratch] [runs]
#
# Builds a report of today in a temporary directory and runs the scratch
# copy of the viewer there (its fixed paths lie under ./scratch), typing -1
# at the first prompt.  Prints the wall time and peak memory of each run.
# Needs no root and touches nothing outside the temporary directory.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
viewer=${1:-$here/build/default/viewer/pcview-scratch}
runs=${2:-5}
lines=100000
entry=bench

if [[ ! -x $viewer ]]; then
    echo "no viewer at $viewer: build the target pcview-scratch first" >&2
    exit 1
fi
viewer=$(cd "$(dirname "$viewer")" && pwd)/$(basename "$viewer")

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-viewer.XXXXXX")
trap 'rm -rf "$work"' EXIT
export TZ=UTC  # the report's name and the viewer's date come from one clock
mkdir -p "$work/scratch/etc/korvane" "$work/scratch/var/log/korvane"
printf 'entry = %s\n' "$entry" >"$work/scratch/etc/korvane/pcview.conf"

# One record a second from midnight on; the total rises by one a record
# and every hundredth poll goes unanswered.  The checksum is not read by
# the viewer, so a fixed one does.
report=$work/scratch/var/log/korvane/${entry}_$(date +%Y%m%d).csv
awk -v n="$lines" 'BEGIN {
    total = 0
    for (i = 0; i < n; i++) {
        unanswered = (i % 100 == 99)
        if (!unanswered) total++
        printf "%02d:%02d.%02d;%6d; 0;%2d;0X0000\n", int(i / 3600), int(i / 60) % 60, i % 60,
               total, unanswered
    }
}' >"$report"
echo "report: $(wc -l <"$report") lines, $(wc -c <"$report") bytes"

timer=()
if [[ -x /usr/bin/time ]]; then
    timer=(/usr/bin/time -f '%e s wall, %U s user, %S s system, peak %M KiB' -o "$work/time")
fi

cd "$work"
for ((run = 1; run <= runs; run++)); do
    status=0
    if ((${#timer[@]})); then
        printf -- '-1\n' | "${timer[@]}" "$viewer" >"$work/out" || status=$?
        measured=$(tail -n 1 "$work/time")  # after its note of the status
    else
        start=$(date +%s.%N)
        printf -- '-1\n' | "$viewer" >"$work/out" || status=$?
        end=$(date +%s.%N)
        measured="$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }') s wall"
    fi
    rows=$(grep -c '^[0-9][0-9]:[0-9][0-9]\.[0-9][0-9];' "$work/out" || true)
    if [[ $status -ne 255 || $rows -ne $lines ]]; then
        echo "run $run: viewer ended with $status after $rows rows, expected 255 and $lines" >&2
        exit 1
    fi
    echo "run $run: $rows rows, $(wc -c <"$work/out") bytes out; $measured"
done
