#!/usr/bin/env bash
# Times `pcstat --league --compare year` over 100 shop directories of 4
# entrances with a year of records every 15 minutes from 09:00 to 21:00
# (49 a day, about 7.2 million record lines), side by side with cat reading the same
# files, and reports pcstat's peak memory (/usr/bin/time -v).
#
# Usage: tools/bench-league.sh [pcstat] [runs]   (default 5 runs)
#
# The reports are made once under build/bench-league/ (kept for the next
# run; remove the directory to make them afresh): one entrance's year is
# generated with its real checksums, the other 399 are copies of it, each
# with a poller configuration beside it (open 09:00-21:00 every day).
# Each run times, one after the other, cat of all the files and pcstat.
# Prints each run, then the medians and their ratio.  Needs no root.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
stat=${1:-$here/build/default/stat/pcstat}
runs=${2:-5}
shops=100
entrances=4
interval=900
from=2024-01-01
to=2024-12-30 # 365 days
data=$here/build/bench-league

if [[ ! -x $stat ]]; then
    echo "no pcstat at $stat: build the target pcstat first" >&2
    exit 1
fi
if [[ ! -x /usr/bin/time ]]; then
    echo "bench-league: /usr/bin/time is needed for the peak memory (Debian package time)" >&2
    exit 1
fi
stat=$(cd "$(dirname "$stat")" && pwd)/$(basename "$stat")
export TZ=UTC

if [[ ! -f $data/complete ]]; then
    rm -rf "$data"
    mkdir -p "$data/template"
    # One entrance's year, as a poller open 09:00-21:00 with a record every
    # 15 minutes writes it (09:00, 09:15, ..., 21:00); the total rises by
    # three a record.
    awk -v interval="$interval" -v dir="$data/template" -v first="$from" \
        "$(cat "$here/tools/record-line.awk")"'
    BEGIN {
        split("31 29 31 30 31 30 31 31 30 31 30 31", length_of)
        total = 0; n = 0
        for (m = 1; m <= 12; m++)
            for (d = 1; d <= length_of[m]; d++) {
                if (++n > 365) break
                file = sprintf("%s/door1_2024%02d%02d.csv", dir, m, d)
                for (s = 9 * 3600; s <= 21 * 3600; s += interval) {
                    total += 3
                    print line(sprintf("%02d:%02d", int(s / 3600), int(s / 60) % 60), total) > file
                }
                close(file)
            }
    }'
    printf 'portname = /dev/ttyS0\nentry = /var/log/korvane/door1.csv\nrecordtime = %d\nopentime = 09:00-21:00\n' \
        "$interval" >"$data/template/door1.conf"
    for ((k = 2; k <= entrances; k++)); do
        for file in "$data"/template/door1_*; do cp "$file" "${file/door1_/door${k}_}"; done
        cp "$data/template/door1.conf" "$data/template/door$k.conf"
    done
    for ((s = 0; s < shops; s++)); do cp -r "$data/template" "$data/$(printf 'shop%02d' "$s")"; done
    rm -rf "$data/template"
    touch "$data/complete"
fi

cd "$data"
ulimit -s 65536 # room for the names of every file on cat's command line
dirs=(shop*)
lines=$(cat shop*/*.csv | wc -l)
echo "reports: ${#dirs[@]} shops, $(ls shop*/*.csv | wc -l) files, $lines lines, $(du -sh . | cut -f1)"
cat shop*/*.csv >/dev/null # into the page cache, as for every later run

# Runs one command, its output thrown away; prints "seconds peak-KiB status".
measure() {
    local start end status=0
    start=$EPOCHREALTIME
    /usr/bin/time -v -o "$data/time" "$@" >/dev/null 2>"$data/err" || status=$?
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" -v s="$status" \
        -v peak="$(awk -F': ' '/Maximum resident/ { print $2 }' "$data/time")" \
        'BEGIN { printf "%.4f %s %s\n", b - a, peak, s }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$data/cat.t"; : >"$data/league.t"; : >"$data/peaks"
for ((run = 1; run <= runs; run++)); do
    read -r catTime _ _ < <(measure cat shop*/*.csv)
    read -r leagueTime peak status < <(measure "$stat" --league --compare year --from "$from" \
        --to "$to" --format csv "${dirs[@]}")
    if [[ $status -ne 0 ]]; then
        echo "run $run: pcstat ended with $status, expected 0:" >&2
        cat "$data/err" >&2
        exit 1
    fi
    echo "run $run: cat $catTime s; pcstat --league --compare year $leagueTime s, peak $peak KiB"
    echo "$catTime" >>"$data/cat.t"
    echo "$leagueTime" >>"$data/league.t"
    echo "$peak" >>"$data/peaks"
done
catMedian=$(median <"$data/cat.t")
leagueMedian=$(median <"$data/league.t")
peak=$(sort -n "$data/peaks" | tail -n 1)
awk -v c="$catMedian" -v l="$leagueMedian" -v p="$peak" 'BEGIN {
    printf "median wall: cat %.3f s, pcstat --league --compare year %.3f s (%.2f x cat)\n", c, l, l / c
    printf "peak memory of pcstat: %d KiB (%.1f MiB)\n", p, p / 1024
}'
