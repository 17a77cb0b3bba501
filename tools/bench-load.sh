#!/usr/bin/env bash
# Times pcstat --load of a month of reports of 20 entrances polled every
# 10 seconds all day (the month tools/bench-stat.sh makes, about 5.4
# million records) into an empty PostgreSQL database, side by side with
# psql's \copy of the same lines into a bare table of the same columns (no
# partitions, no index), and then a second load of the unchanged month.
#
# Usage: tools/bench-load.sh [pcstat-scratch] [runs]   (default 3 runs)
#
# A PostgreSQL 15 server of Debian (postgresql-15) is made with initdb in a
# temporary directory, listening only on a Unix socket there, run as the
# user nobody when the script runs as root, and stopped by its pid at the
# end.  The lines for \copy are those pcstat stored, copied out of a first
# load that is not timed.  Each run then times, one after the other, in a
# fresh database each: \copy into the bare table, pcstat --load into an
# empty database, and pcstat --load again.  Prints each run, then the
# medians and the ratio of the load to \copy.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
stat=${1:-$here/build/default/stat/pcstat-scratch}
runs=${2:-3}
entrances=20
interval=10
from=2011-03-01
to=2011-03-31
bin=/usr/lib/postgresql/15/bin

if [[ ! -x $stat ]]; then
    echo "no pcstat at $stat: build the target pcstat-scratch first" >&2
    exit 1
fi
for tool in "$bin/initdb" "$bin/pg_ctl" "$(command -v psql || echo psql)"; do
    [[ -x $tool ]] || { echo "bench-load: $tool is missing (postgresql-15)" >&2; exit 1; }
done
stat=$(cd "$(dirname "$stat")" && pwd)/$(basename "$stat")

work=$(mktemp -d /tmp/bench-load-XXXXXX)  # short: it holds the server's socket
server_pid=
cleanup() {
    if [[ -n $server_pid ]]; then
        as_server "$bin/pg_ctl" stop -m fast -w -t 10 -D "$work/data" >/dev/null 2>&1 ||
            kill -9 "$server_pid" 2>/dev/null || true
    fi
    [[ -n ${PC_BENCH_KEEP:-} ]] || rm -rf "$work"
}
trap cleanup EXIT
as_server() {
    if ((EUID == 0)); then
        setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"
    else
        "$@"
    fi
}
export TZ=UTC
reports=$work/reports
mkdir -p "$work/scratch/opt/velmora" "$reports"

# The month of reports and configurations (tools/bench-month.sh).
"$here/tools/bench-month.sh" "$reports" "$work/scratch/opt/velmora" "$entrances" "$interval"
names=()
for ((k = 1; k <= entrances; k++)); do names+=("$(printf 'door%02d' "$k")"); done
files=("$reports"/*.csv)
echo "reports: ${#files[@]} files, $(cat "${files[@]}" | wc -l) lines, $(du -sh "$reports" | cut -f1)"
cat "${files[@]}" >/dev/null  # into the page cache, as for every later run

# The server: default settings but for the socket.
((EUID == 0)) && chown nobody:nogroup "$work"
as_server "$bin/initdb" --auth=trust --encoding=UTF8 --locale=C -U bench -D "$work/data" \
    >"$work/initdb.log" 2>&1 || { cat "$work/initdb.log" >&2; exit 1; }
as_server "$bin/pg_ctl" start -w -t 30 -D "$work/data" -l "$work/server.log" \
    -o "-c listen_addresses= -c unix_socket_directories=$work" >/dev/null ||
    { cat "$work/server.log" >&2; exit 1; }
server_pid=$(head -n 1 "$work/data/postmaster.pid")
conn() { echo "host=$work user=bench dbname=$1"; }
sql() { psql -X -q -A -t -v ON_ERROR_STOP=1 "$(conn "$1")" -c "$2"; }
fresh() {
    sql postgres "DROP DATABASE IF EXISTS $1" && sql postgres "CREATE DATABASE $1"
}

cd "$work"
# The lines pcstat stores, out of a first load that is not timed.
fresh probe
"$stat" --load "$(conn probe)" --from "$from" --to "$to" "${names[@]}" >/dev/null
sql probe "\\copy (SELECT shop, entrance, file_day, line, day, hour, time, moment, total, faults, no_answer, increase, carried FROM records) TO '$work/lines.tsv'"
chmod 0644 "$work/lines.tsv"
echo "lines for \\copy: $(wc -l <"$work/lines.tsv")"
bare="CREATE TABLE bare (shop text, entrance text, file_day date, line integer, day date, hour smallint, time text, moment timestamptz, total bigint, faults integer, no_answer boolean, increase bigint, carried boolean)"

seconds() {  # seconds COMMAND...: the wall time of the command, its output thrown away
    local start end
    start=$EPOCHREALTIME
    "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/copy.t"; : >"$work/load.t"; : >"$work/again.t"
for ((run = 1; run <= runs; run++)); do
    fresh bare_copy && sql bare_copy "$bare"
    copyTime=$(seconds psql -X -q "$(conn bare_copy)" -c "\\copy bare FROM '$work/lines.tsv'")
    fresh load
    loadTime=$(seconds "$stat" --load "$(conn load)" --from "$from" --to "$to" "${names[@]}")
    againTime=$(seconds "$stat" --load "$(conn load)" --from "$from" --to "$to" "${names[@]}")
    echo "run $run: \\copy $copyTime s; --load $loadTime s; unchanged --load $againTime s"
    echo "$copyTime" >>"$work/copy.t"
    echo "$loadTime" >>"$work/load.t"
    echo "$againTime" >>"$work/again.t"
done
echo "rows: bare $(sql bare_copy 'SELECT count(*) FROM bare'), records $(sql load 'SELECT count(*) FROM records')"
"$stat" --load "$(conn load)" --from "$from" --to "$to" "${names[@]}"
awk -v c="$(median <"$work/copy.t")" -v l="$(median <"$work/load.t")" -v a="$(median <"$work/again.t")" 'BEGIN {
    printf "median wall: \\copy %.3f s, --load %.3f s (%.2f x \\copy), unchanged --load %.3f s\n", c, l, l / c, a
}'
