#!/usr/bin/env bash
# Times pcview showing a report of 100,000 lines, side by side with cat
# of the same file.
#
# Usage: tools/bench-viewer.sh [pcview-scratch] [runs]
#
# Builds a report of today in a temporary directory and runs the scratch
# copy of the viewer there (its fixed paths lie under ./scratch), typing -1
# at the first prompt; each run also times cat of the report.  Prints the
# wall time and peak memory of each run, then the medians and their ratio.
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
    timer=(/usr/bin/time -f '%U s user, %S s system, peak %M KiB' -o "$work/time")
fi

# Wall seconds of a command, its standard input and output given.
wall() {
    local input=$1 output=$2 start end
    shift 2
    start=$EPOCHREALTIME
    "$@" <"$input" >"$output" || echo $? >"$work/status"
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

cd "$work"
printf -- '-1\n' >"$work/answer"
: >"$work/viewer.t"
: >"$work/cat.t"
for ((run = 1; run <= runs; run++)); do
    echo 0 >"$work/status"
    viewerTime=$(wall "$work/answer" "$work/out" "$viewer")
    status=$(cat "$work/status")
    catTime=$(wall /dev/null "$work/cat.out" cat "$report")
    rows=$(grep -c '^[0-9][0-9]:[0-9][0-9]\.[0-9][0-9];' "$work/out" || true)
    if [[ $status -ne 255 || $rows -ne $lines ]]; then
        echo "run $run: viewer ended with $status after $rows rows, expected 255 and $lines" >&2
        exit 1
    fi
    echo "run $run: $rows rows, $(wc -c <"$work/out") bytes out; $viewerTime s wall; cat $catTime s"
    echo "$viewerTime" >>"$work/viewer.t"
    echo "$catTime" >>"$work/cat.t"
done
# The peak memory in a run of its own, outside the timed ones.
if ((${#timer[@]})); then
    "${timer[@]}" "$viewer" <"$work/answer" >/dev/null || true
    echo "pcview: $(tail -n 1 "$work/time")"  # after its note of the status
fi
awk -v v="$(median <"$work/viewer.t")" -v c="$(median <"$work/cat.t")" \
    'BEGIN { printf "median wall: pcview %.4f s, cat %.4f s: %.2f x cat\n", v, c, v / c }'
