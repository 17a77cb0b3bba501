#!/usr/bin/env bash
# Runs one simulated shop day: the simulated counter on a pseudo-terminal,
# pcpoll on a sped-up clock from before opening until after closing, then
# pcview's table of that day, and pcstat's beside it.
#
# Usage: tools/demo-run.sh [build-dir]   (default build/default, built)
#
# Everything lives in <build-dir>/demo: the programs are the scratch-root
# copies, whose fixed paths (/opt/velmora/..., /etc/korvane/...,
# /var/log/korvane/...) lie under <build-dir>/demo/scratch.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$here/build/default}" && pwd)
demo=$build/demo
poller=$build/poller/pcpoll-scratch
viewer=$build/viewer/pcview-scratch
stat=$build/stat/pcstat-scratch
simulator=$build/tools/pcsim

# Shop hours, record interval and clock speed: a 12-hour day with a record
# every 15 minutes, run 1500 times faster than real time.
day=$(TZ=UTC date +%Y-%m-%d)
opening=09:00
closing=21:00
interval=900
speed=1500
dayTimeout=120 # seconds of real time allowed for the whole day

faketimeLib=
for candidate in /usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1 \
                 /usr/lib/*/faketime/libfaketime.so.1 /usr/lib/faketime/libfaketime.so.1; do
    [[ -e $candidate ]] && { faketimeLib=$candidate; break; }
done
[[ -n $faketimeLib ]] || { echo "demo: libfaketime not found" >&2; exit 1; }

rm -rf "$demo"
mkdir -p "$demo/scratch/opt/velmora/log" "$demo/scratch/var/log/korvane" \
         "$demo/scratch/etc/korvane"
cd "$demo"
report=$demo/scratch/var/log/korvane/door1_${day//-/}.csv
cat >scratch/opt/velmora/door1.conf <<CONF
# Demo entrance: the simulated counter's port, a report per day.
portname = $demo/tty
entry = scratch/var/log/korvane/door1.csv
recordtime = $interval
opentime = $opening-$closing
comlog = yes
CONF
printf 'entry = door1\n' >scratch/etc/korvane/pcview.conf

cleanup() {
    [[ -n ${pollerPid:-} ]] && kill "$pollerPid" 2>/dev/null || true
    [[ -n ${simPid:-} ]] && kill "$simPid" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT

# About ten visitors a quarter of an hour, at random.
"$simulator" --link "$demo/tty" --step-random 20 --seed 7 --log "$demo/pcsim.log" \
    >"$demo/pcsim.out" &
simPid=$!
for _ in $(seq 100); do [[ -e $demo/tty ]] && break; sleep 0.05; done
echo "demo: simulated counter on $(cat "$demo/pcsim.out") (link $demo/tty)"

echo "demo: pcpoll polls from ${opening} to ${closing} of $day, every $interval s, clock x$speed"
(
    export TZ=UTC FAKETIME="@$day 08:59:50 x$speed" FAKETIME_NO_CACHE=1 \
           LD_PRELOAD=$faketimeLib ASAN_OPTIONS=verify_asan_link_order=0
    exec -a door1 "$poller" -v
) &
pollerPid=$!

lastRecord="${closing};"
for ((waited = 0; waited < dayTimeout * 10; waited++)); do
    grep -q "^$lastRecord" "$report" 2>/dev/null && break
    kill -0 "$pollerPid" 2>/dev/null || break
    sleep 0.1
done
kill -TERM "$pollerPid"
status=0
wait "$pollerPid" || status=$?
pollerPid=
echo "demo: pcpoll stopped with status $status after $(wc -l <"$report") records"
kill "$simPid"
wait "$simPid" || true
simPid=

echo "demo: pcview shows the day (the operator types -1 to leave):"
# pcview ends with the status of the -1 typed, 255; its leading empty
# lines, which scroll a terminal clear, are left out here.
viewerStatus=0
TZ=UTC FAKETIME="@$day 21:30:00" LD_PRELOAD=$faketimeLib ASAN_OPTIONS=verify_asan_link_order=0 \
    "$viewer" <<<"-1" >"$demo/pcview.out" || viewerStatus=$?
sed '/./,$!d' "$demo/pcview.out"
echo
echo "demo: pcview ended with status $viewerStatus"
echo

# The same day as pcstat tells it at 21:30: visitors per hour, from the
# same records (each increase in the hour it ends in, so the last row is
# 20:00-21:00), then the check that every record of the schedule is there,
# and the day beside the one before, which has no report: the table's
# notes say so and name the check to run.
after=(env TZ=UTC FAKETIME="@$day 21:30:00" LD_PRELOAD=$faketimeLib
       ASAN_OPTIONS=verify_asan_link_order=0)
echo "demo: pcstat shows the same day per hour:"
echo
statStatus=0
"${after[@]}" "$stat" --date "$day" door1 || statStatus=$?
echo
echo "demo: pcstat ended with status $statStatus"
checkStatus=0
echo "demo: pcstat --check of the day:"
"${after[@]}" "$stat" --check --date "$day" door1 || checkStatus=$?
echo "demo: pcstat --check ended with status $checkStatus"
echo
echo "demo: pcstat shows the day and the one before, which has no report:"
echo
"${after[@]}" "$stat" --days 2 --to "$day" door1 || true
echo
echo "demo: files left for a look, under $demo/scratch:"
echo "  report       ${report#$demo/}"
echo "  event log    scratch/opt/velmora/log/door1.log"
echo "  verbose log  scratch/opt/velmora/log/door1_v.log"
echo "  com log      scratch/opt/velmora/log/comlog.txt"
echo "  configs      scratch/opt/velmora/door1.conf, scratch/etc/korvane/pcview.conf"
