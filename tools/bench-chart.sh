#!/usr/bin/env bash
# Times pcstat --chart over a month of reports of 20 entrances polled every
# 15 minutes from 09:00 to 21:00, and reports each run's peak memory: the
# largest charts pcstat is asked for (a month per hour: 31 x 13 bars of 20
# parts) and the usual one (a month per day), in each of the three formats,
# beside the same table written as csv.
#
# Usage: tools/bench-chart.sh [pcstat-scratch]
#        (default build/default/stat/pcstat-scratch)
#
# The reports are made in a temporary directory, with real checksums; the
# scratch copy of pcstat reads them by path.  Needs /usr/bin/time (Debian
# package time) and no root.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
stat=${1:-$here/build/default/stat/pcstat-scratch}
entrances=20
if [[ ! -x $stat ]]; then
    echo "bench-chart: no pcstat at $stat: build the target pcstat-scratch first" >&2
    exit 1
fi
if [[ ! -x /usr/bin/time ]]; then
    echo "bench-chart: /usr/bin/time is needed for the peak memory (Debian package time)" >&2
    exit 1
fi
stat=$(cd "$(dirname "$stat")" && pwd)/$(basename "$stat")

# No point in the name: a report path is split at its first point.
work=$(mktemp -d "${TMPDIR:-/tmp}/bench-chart-XXXXXX")
trap 'rm -rf "$work"' EXIT
export TZ=UTC
cd "$work"
mkdir reports

# March 2011 of door01 .. door20: records every 15 minutes from 09:00 to
# 21:00, the total of each entrance rising by a few visitors a record.
awk -v entrances="$entrances" '
function checksum(text,    i, a, b) {
    a = 0; b = 0
    for (i = 1; i <= length(text); i++) { a += ord[substr(text, i, 1)]; b += a }
    return sprintf("0X%04X", (a % 251) * 256 + (b % 251))
}
BEGIN {
    for (i = 32; i < 127; i++) ord[sprintf("%c", i)] = i
    for (e = 1; e <= entrances; e++) {
        total = 0
        for (day = 1; day <= 31; day++) {
            file = sprintf("reports/door%02d_201103%02d.csv", e, day)
            for (minute = 9 * 60; minute <= 21 * 60; minute += 15) {
                total += (minute * 7 + day * 13 + e * 5) % 11
                body = sprintf("%02d:%02d;%6d;%2d;%2d;", int(minute / 60), minute % 60, total, 0, 0)
                print body checksum(body) > file
            }
            close(file)
        }
    }
}'
args=(--from 2011-03-01 --to 2011-03-31)
for e in $(seq -f %02g 1 "$entrances"); do args+=("reports/door$e.csv"); done

run() {
    local label=$1
    shift
    /usr/bin/time -f "%e %M" -o time.txt "$stat" "${args[@]}" "$@" >/dev/null
    read -r seconds kilobytes <time.txt
    printf '%-26s %6s s %8s KiB\n' "$label" "$seconds" "$kilobytes"
}
echo "bench-chart: $entrances entrances, 2011-03-01 - 2011-03-31, $(cat reports/* | wc -l) records"
run "csv, by hour" --by hour --format csv
for extension in png svg pdf; do
    run "chart by hour, $extension" --by hour --chart "month.$extension"
    run "chart by day, $extension" --by day --chart "day.$extension"
done
ls -l month.* day.* | awk '{ printf "  %-10s %9d bytes\n", $NF, $5 }'
