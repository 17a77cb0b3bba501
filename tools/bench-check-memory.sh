#!/usr/bin/env bash
# Peak memory of `pcstat --check` over a hostile report: a file of 100 MB
# of empty lines (100 million malformed lines), beside the peak of the same
# check over a healthy day.  The findings of one kind are capped per
# entrance and day, so the peak must not grow with the file (goal: within
# 16 MiB).
#
# Usage: tools/bench-check-memory.sh [pcstat-scratch] [megabytes]   (default 100)
#
# The report and the poller's configuration are made in a temporary
# directory, where the scratch copy of pcstat finds them under ./scratch.
# Needs /usr/bin/time (Debian package time); no root.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
stat=${1:-$here/build/default/stat/pcstat-scratch}
megabytes=${2:-100}
goalKiB=$((16 * 1024))

if [[ ! -x $stat ]]; then
    echo "no pcstat at $stat: build the target pcstat-scratch first" >&2
    exit 1
fi
if [[ ! -x /usr/bin/time ]]; then
    echo "bench-check-memory: /usr/bin/time is needed for the peak memory (Debian package time)" >&2
    exit 1
fi
stat=$(cd "$(dirname "$stat")" && pwd)/$(basename "$stat")

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-check-memory-XXXXXX")
trap '[[ -n ${PC_BENCH_KEEP:-} ]] || rm -rf "$work"' EXIT
export TZ=UTC
reports=$work/reports
mkdir -p "$work/scratch/opt/velmora" "$reports"
printf 'portname = /dev/null\nentry = %s/door1.csv\nrecordtime = 900\nopentime = 09:00-21:00\n' \
    "$reports" >"$work/scratch/opt/velmora/door1.conf"

# 2011-03-14: the empty lines; 2011-03-15: a healthy day of 49 records.
head -c "$((megabytes * 1000 * 1000))" /dev/zero | tr '\0' '\n' >"$reports/door1_20110314.csv"
awk -v file="$reports/door1_20110315.csv" '
function checksum(text,    i, a, b) {
    a = 0; b = 0
    for (i = 1; i <= length(text) && i <= 255; i++) { a += ord[substr(text, i, 1)]; b += a }
    return sprintf("0X%04X", (a % 251) * 256 + (b % 251))
}
BEGIN {
    for (c = 32; c < 127; c++) ord[sprintf("%c", c)] = c
    for (s = 9 * 3600; s <= 21 * 3600; s += 900) {
        body = sprintf("%02d:%02d;%6d; 0; 0;", int(s / 3600), int(s / 60) % 60, s / 900)
        print body checksum(body) > file
    }
}'
echo "report: $(du -h "$reports/door1_20110314.csv" | cut -f1), $(wc -l <"$reports/door1_20110314.csv") empty lines"

cd "$work"
# Runs one check; prints "seconds peak-KiB status lines-of-output".
measure() {
    local start end status=0
    start=$EPOCHREALTIME
    /usr/bin/time -f '%M' -o "$work/peak" "$stat" --check "$@" >"$work/out" 2>"$work/err" ||
        status=$?
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" -v peak="$(tail -n 1 "$work/peak")" -v s="$status" \
        -v n="$(wc -l <"$work/out")" 'BEGIN { printf "%.2f %s %s %s\n", b - a, peak, s, n }'
}

read -r healthyTime healthyPeak healthyStatus _ < <(measure door1 --from 2011-03-15 --to 2011-03-15)
read -r emptyTime emptyPeak emptyStatus emptyLines < <(measure door1 --from 2011-03-14 --to 2011-03-14)
echo "healthy day: $healthyTime s, peak $healthyPeak KiB, status $healthyStatus"
echo "empty lines: $emptyTime s, peak $emptyPeak KiB, status $emptyStatus, $emptyLines lines of output:"
sed 's/^/    /' "$work/out" | tail -n 3
if ((emptyPeak <= goalKiB)); then
    verdict="within"
else
    verdict="OVER"
fi
awk -v p="$emptyPeak" -v v="$verdict" 'BEGIN {
    printf "peak memory of pcstat --check over the empty lines: %.1f MiB, %s the goal of 16 MiB\n", p / 1024, v
}'
[[ $verdict == within ]]
