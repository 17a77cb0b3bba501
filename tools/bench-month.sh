#!/usr/bin/env bash
# Makes the benchmark month of tools/bench-stat.sh and tools/bench-load.sh:
# the reports of ENTRANCES entrances polled every INTERVAL seconds all day,
# March 2011, in REPORTS, and their pollers' configurations in CONFDIR.
#
# Usage: tools/bench-month.sh REPORTS CONFDIR ENTRANCES INTERVAL
#
# door01's month is written as a poller open 00:00-24:00 writes it, with
# its real checksums: each file starts with the day before's 23:59:59
# record and then holds every INTERVAL-th second from 00:00:INTERVAL on;
# the total rises by one a record.  door02 and on are copies of it.
set -euo pipefail

if [[ $# -ne 4 ]]; then
    echo "usage: $0 REPORTS CONFDIR ENTRANCES INTERVAL" >&2
    exit 2
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
reports=$1 confdir=$2 entrances=$3 interval=$4
mkdir -p "$reports" "$confdir"

awk -v interval="$interval" -v dir="$reports" "$(cat "$here/tools/record-line.awk")"'
BEGIN {
    total = 0
    for (day = 1; day <= 31; day++) {
        file = sprintf("%s/door01_201103%02d.csv", dir, day)
        print line("23:59.59", total++) > file
        for (s = interval; s < 86400; s += interval)
            print line(sprintf("%02d:%02d.%02d", int(s / 3600), int(s / 60) % 60, s % 60), total++) > file
        close(file)
    }
}'
for ((k = 1; k <= entrances; k++)); do
    name=$(printf 'door%02d' "$k")
    if ((k > 1)); then
        for file in "$reports"/door01_*.csv; do cp "$file" "${file/door01_/${name}_}"; done
    fi
    printf 'portname = /dev/null\nentry = %s/%s.csv\nrecordtime = %d\nopentime = 00:00-24:00\n' \
        "$reports" "$name" "$interval" >"$confdir/$name.conf"
done
