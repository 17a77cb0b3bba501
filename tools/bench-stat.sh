#!/usr/bin/env bash
# Times pcstat over a month of reports of 20 entrances polled every 10
# seconds all day (about 5.4 million record lines), side by side with cat
# reading the same files, and reports pcstat's peak memory.
#
# Usage: tools/bench-stat.sh [pcstat-scratch] [runs]   (default 5 runs)
#
# The reports and the pollers' configurations are made in a temporary
# directory, where the scratch copy of pcstat finds them under ./scratch.
# One entrance's month is generated with its real checksums, the other 19
# are copies of it.  Each run times, one after the other: cat of all the
# files, `pcstat --by day --format csv` and `pcstat --check` of the month.
# Prints each run, then the medians and the ratios to cat.  Then, on a
# clock faked to the month's last afternoon (libfaketime), it times
# `pcstat --dashboard` of the 20 entrances beside `pcstat --days 28 --by
# day --format csv` of the same entrances, and gives the page's size.
# Needs no root.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
stat=${1:-$here/build/default/stat/pcstat-scratch}
runs=${2:-5}
entrances=20
interval=10
from=2011-03-01
to=2011-03-31

if [[ ! -x $stat ]]; then
    echo "no pcstat at $stat: build the target pcstat-scratch first" >&2
    exit 1
fi
faketime=$(find /usr/lib/x86_64-linux-gnu/faketime /usr/lib/faketime -name libfaketime.so.1 \
    2>/dev/null | head -n 1 || true)
if [[ -z $faketime ]]; then
    echo "bench-stat: libfaketime is needed for the dashboard (Debian package libfaketime)" >&2
    exit 1
fi
if [[ ! -x /usr/bin/time ]]; then
    echo "bench-stat: /usr/bin/time is needed for the peak memory (Debian package time)" >&2
    exit 1
fi
stat=$(cd "$(dirname "$stat")" && pwd)/$(basename "$stat")

# No point in the name: the first point of an entry splits it.
work=$(mktemp -d "${TMPDIR:-/tmp}/bench-stat-XXXXXX")
trap '[[ -n ${PC_BENCH_KEEP:-} ]] || rm -rf "$work"' EXIT
export TZ=UTC
reports=$work/reports
mkdir -p "$work/scratch/opt/velmora" "$reports"

# The month of reports and configurations (tools/bench-month.sh).
"$here/tools/bench-month.sh" "$reports" "$work/scratch/opt/velmora" "$entrances" "$interval"
files=("$reports"/*.csv)
echo "reports: ${#files[@]} files, $(cat "${files[@]}" | wc -l) lines, $(du -sh "$reports" | cut -f1)"

cd "$work"
cat "${files[@]}" >/dev/null  # into the page cache, as for every later run

# Runs one command, its output thrown away; prints "seconds peak-KiB status".
measure() {
    local start end status=0
    start=$EPOCHREALTIME
    /usr/bin/time -f '%M' -o "$work/peak" "$@" >/dev/null 2>"$work/err" || status=$?
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" -v peak="$(tail -n 1 "$work/peak")" -v s="$status" \
        'BEGIN { printf "%.4f %s %s\n", b - a, peak, s }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/cat.t"; : >"$work/csv.t"; : >"$work/check.t"; : >"$work/peaks"
for ((run = 1; run <= runs; run++)); do
    read -r catTime _ _ < <(measure cat "${files[@]}")
    read -r csvTime csvPeak csvStatus < <(measure "$stat" --from "$from" --to "$to" --by day --format csv)
    read -r checkTime checkPeak checkStatus < <(measure "$stat" --check --from "$from" --to "$to")
    if [[ $csvStatus -ne 0 || $checkStatus -ne 0 ]]; then
        echo "run $run: pcstat ended with $csvStatus (csv) and $checkStatus (--check), expected 0:" >&2
        cat "$work/err" >&2
        exit 1
    fi
    echo "run $run: cat $catTime s; csv $csvTime s, peak $csvPeak KiB; --check $checkTime s, peak $checkPeak KiB"
    echo "$catTime" >>"$work/cat.t"
    echo "$csvTime" >>"$work/csv.t"
    echo "$checkTime" >>"$work/check.t"
    printf '%s\n%s\n' "$csvPeak" "$checkPeak" >>"$work/peaks"
done
catMedian=$(median <"$work/cat.t")
csvMedian=$(median <"$work/csv.t")
checkMedian=$(median <"$work/check.t")
peak=$(sort -n "$work/peaks" | tail -n 1)
awk -v c="$catMedian" -v s="$csvMedian" -v k="$checkMedian" -v p="$peak" 'BEGIN {
    printf "median wall: cat %.3f s, csv %.3f s (%.2f x cat), --check %.3f s (%.2f x cat)\n", c, s, s / c, k, k / c
    printf "peak memory of pcstat: %d KiB (%.1f MiB)\n", p, p / 1024
}'

# The dashboard at 2011-03-31 18:00 (its days: the 8 weeks up to the 30th,
# today, a week ago, the check of the last 7 days) beside the csv of the
# last 28 days, each run one after the other on the same clock.
faked=(env LD_PRELOAD="$faketime" FAKETIME="@2011-03-31 18:00:00" FAKETIME_DONT_FAKE_MONOTONIC=1)
: >"$work/days.t"; : >"$work/dash.t"
for ((run = 1; run <= runs; run++)); do
    read -r daysTime _ daysStatus < <(measure "${faked[@]}" "$stat" --days 28 --by day --format csv)
    read -r dashTime dashPeak dashStatus < <(measure "${faked[@]}" "$stat" --dashboard "$work/www")
    if [[ $daysStatus -ne 0 || $dashStatus -ne 0 ]]; then
        echo "run $run: pcstat ended with $daysStatus (--days 28) and $dashStatus (--dashboard):" >&2
        cat "$work/err" >&2
        exit 1
    fi
    echo "run $run: --days 28 csv $daysTime s; --dashboard $dashTime s, peak $dashPeak KiB"
    echo "$daysTime" >>"$work/days.t"
    echo "$dashTime" >>"$work/dash.t"
done
daysMedian=$(median <"$work/days.t")
dashMedian=$(median <"$work/dash.t")
pageBytes=$(stat -c %s "$work/www/index.html")
awk -v d="$daysMedian" -v h="$dashMedian" -v b="$pageBytes" 'BEGIN {
    printf "median wall: --days 28 csv %.3f s, --dashboard %.3f s (%.2f x csv); page %d bytes (%.0f KiB)\n", d, h, h / d, b, b / 1024
}'
