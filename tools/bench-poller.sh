#!/usr/bin/env bash
# Measures the poller on a fast clock against the simulated counter: due
# moments of the schedule, records written, missed moments, CPU time and
# peak memory of the poller, and how long it takes to stop after SIGTERM.
#
# Usage: tools/bench-poller.sh [--metrics] [hour|day|week|silent500|silent1000] [build-dir]
#   --metrics  run the period twice, without and then with the metrics file
#              (metrics = <build-dir>/bench/textfile/door1.prom), to show its
#              cost beside the plain run, and report the file's size
#   hour  one simulated hour, 09:00-10:00, interval 10 s, clock x100
#   day   one simulated day, 00:00-24:00, interval 10 s, clock x500
#   week  seven simulated days, 09:00-21:00 (Sunday 10:00-14:00, Saturday
#         closed), interval 900 s, clock x1000
#   silent500, silent1000  30 real seconds of a silent counter (every query
#         unanswered, so each cycle is one one-second wait), 00:00-24:00,
#         interval 10 s, clock x500 or x1000: the tightest schedule, where
#         any cost the loop adds between two samples shows as missed moments
# Needs the default build (pcpoll-scratch, pcsim); touches nothing outside
# <build-dir>/bench.
set -euo pipefail

if [[ ${1:-} == --metrics ]]; then
    shift
    echo "=== without metrics"
    PC_BENCH_METRICS= "$0" "$@"
    echo "=== with metrics"
    PC_BENCH_METRICS=1 "$0" "$@"
    exit
fi

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-hour}
build=$(cd "${2:-$here/build/default}" && pwd)
work=$build/bench
poller=$build/poller/pcpoll-scratch
simulator=$build/tools/pcsim

case $mode in
hour) startAt="2011-03-14 08:59:55"; endAt="2011-03-14 10:00:05"; speed=100; interval=10
      hours="09:00-10:00"; extra="" ;;
day)  startAt="2011-03-14 23:59:55"; endAt="2011-03-16 00:00:05"; speed=500; interval=10
      hours="00:00-24:00"; extra="" ;;
week) startAt="2011-03-13 00:00:00"; endAt="2011-03-20 00:00:05"; speed=1000; interval=900
      hours="09:00-21:00"; extra=$'Sunday = 10:00-14:00\nSaturday = 00:00-00:00\n' ;;
silent500|silent1000)
      speed=${mode#silent}; startAt="2011-03-14 00:00:05"
      endAt=$(TZ=UTC date -d "@$(( $(TZ=UTC date -d "$startAt" +%s) + 30 * speed ))" '+%F %T')
      interval=10; hours="00:00-24:00"; extra="" ;;
*) echo "usage: $0 [hour|day|week|silent500|silent1000] [build-dir]" >&2; exit 2 ;;
esac
simArgs=(--step-random 5)
[[ $mode == silent* ]] && simArgs=(--script silent --loop)

faketimeLib=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -1)
[[ -n $faketimeLib ]] || { echo "libfaketime not found" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work/scratch/opt/velmora/log" "$work/scratch/var/log/korvane"
cd "$work"
metrics=$work/textfile/door1.prom
if [[ -n ${PC_BENCH_METRICS:-} ]]; then
    mkdir -p "$work/textfile"
    extra+="metrics = $metrics"$'\n'
fi
printf 'portname = %s\nentry = %s\nrecordtime = %s\nopentime = %s\n%s' "$work/tty" \
    scratch/var/log/korvane/door1.csv "$interval" "$hours" "$extra" \
    >scratch/opt/velmora/door1.conf

"$simulator" --link "$work/tty" "${simArgs[@]}" >/dev/null &
simPid=$!
trap 'kill $simPid 2>/dev/null || true' EXIT
for _ in $(seq 100); do [[ -e $work/tty ]] && break; sleep 0.05; done

export TZ=UTC
startEpoch=$(date -d "$startAt" +%s)
endEpoch=$(date -d "$endAt" +%s)
simSeconds=$((endEpoch - startEpoch))
(
    export FAKETIME="@$startAt x$speed" FAKETIME_NO_CACHE=1 LD_PRELOAD=$faketimeLib
    exec -a door1 "$poller"
) &
pollerPid=$!
realStart=$(date +%s.%N)
# Sleep the simulated period in real time, then stop the poller.
sleep "$(awk -v s="$simSeconds" -v x="$speed" 'BEGIN { printf "%.3f", s / x }')"

read -r utime stime < <(awk '{ print $14, $15 }' "/proc/$pollerPid/stat")
ticks=$(getconf CLK_TCK)
peakKiB=$(awk '/^VmHWM/ { print $2 }' "/proc/$pollerPid/status")
stopAt=$(date +%s.%N)
kill -TERM "$pollerPid"
wait "$pollerPid" || true
stopped=$(date +%s.%N)
realEnd=$stopped

# Due moments: every second of the period that the schedule marks, using
# the weekday and hours of the configuration above, less those that fall
# within a poll cycle still under way (an answered exchange takes two
# seconds, so a 23:59:59 cycle leaves no 00:00:00 sample).
# Due moments of the seconds from+1..to-1 under the schedule above.
dueBetween() {
awk -v from="$1" -v to="$2" -v iv="$interval" -v mode="$mode" '
    BEGIN {
        for (d = 0; d < 7; d++) { op[d] = 9 * 3600; cl[d] = 21 * 3600 }
        if (mode == "hour") for (d = 0; d < 7; d++) { op[d] = 9 * 3600; cl[d] = 10 * 3600 }
        if (mode == "day" || mode ~ /^silent/) for (d = 0; d < 7; d++) { op[d] = 0; cl[d] = 86399 }
        if (mode == "week") { op[0] = 10 * 3600; cl[0] = 14 * 3600; op[6] = 0; cl[6] = 0 }
        n = 0; last = 0; cycle = 3
        for (e = from + 1; e < to; e++) {
            t = e % 86400
            # the weekday in force is that of the previous second
            wd = (int((e - 1) / 86400) + 4) % 7
            if (t >= op[wd] && t <= cl[wd] && (t % iv == 0 || t == op[wd] || t == cl[wd]) \
                && op[wd] != cl[wd] && e - last >= cycle) { n++; last = e }
        }
        print n
    }'
}
due=$(dueBetween "$startEpoch" "$endEpoch")
# The moments missed while the poller ran: due moments between its first
# and its last record that have no record, whatever the start and the stop
# cost.
recordEpochs=$(for file in scratch/var/log/korvane/door1_*.csv; do
    [[ -f $file ]] || continue
    day=${file##*_}; day=${day%.csv}
    dayEpoch=$(date -d "$day" +%s)
    awk -F';' -v d="$dayEpoch" '{ split($1, p, /[:.]/); print d + p[1] * 3600 + p[2] * 60 + p[3] }' "$file"
done | sort -n)
firstRecord=$(head -1 <<<"$recordEpochs")
lastRecord=$(tail -1 <<<"$recordEpochs")
inside=0
if [[ -n $firstRecord ]]; then
    inside=$(( $(dueBetween "$((firstRecord - 1))" "$((lastRecord + 1))") - $(grep -c . <<<"$recordEpochs") ))
fi
records=$(cat scratch/var/log/korvane/door1_*.csv 2>/dev/null | wc -l)
unanswered=$(cat scratch/var/log/korvane/door1_*.csv 2>/dev/null | awk -F';' '$4 == " 1"' | wc -l)

echo "bench-poller $mode: $simSeconds simulated seconds at x$speed, interval $interval s"
echo "  due moments:      $due"
echo "  records written:  $records (unanswered polls among them: $unanswered)"
echo "  missed moments:   $((due - records))"
echo "  missed between the first and the last record: $inside"
# A step of the machine's clock while the poller runs (a correction of a
# few milliseconds is seconds on a clock a thousand times faster) is
# reported by the poller with the moments it skipped; those are no cost of
# the loop.
steps=$(cat scratch/opt/velmora/log/door1_v.log 2>/dev/null |
    sed -n 's/.* Zegar przesuniety o [0-9]* s, pominieto \([0-9]*\) pomiarow$/\1/p')
stepCount=$(grep -c . <<<"$steps" || true)
stepMoments=$(awk '{ n += $1 } END { print n + 0 }' <<<"$steps")
echo "  clock steps the poller reported: $stepCount, skipping $stepMoments moments"
echo "  missed, not counting those: $((inside - stepMoments))"
awk -v u="$utime" -v s="$stime" -v hz="$ticks" -v r0="$realStart" -v r1="$realEnd" \
    'BEGIN { printf "  poller CPU:       %.2f s user + %.2f s system in %.1f s real\n", u / hz, s / hz, r1 - r0 }'
echo "  poller peak RSS:  $peakKiB KiB"
awk -v a="$stopAt" -v b="$stopped" -v x="$speed" \
    'BEGIN { printf "  stop latency:     %.3f s real after SIGTERM (%.1f s on the poller clock)\n", b - a, (b - a) * x }'
awk -v u="$utime" -v s="$stime" -v hz="$ticks" -v sec="$simSeconds" \
    'BEGIN { printf "  CPU per simulated hour: %.3f s\n", (u + s) / hz / (sec / 3600) }'
if [[ -f $metrics ]]; then
    echo "  metrics file:     $(wc -c <"$metrics") bytes, $(grep -vc '^#' "$metrics") series" \
         "(pcpoll_up $(awk '/^pcpoll_up/ { print $2 }' "$metrics") after the stop)"
fi

# The same stop at the real clock speed: the stop exchange with the
# counter takes its one-second waits in full.
(
    export FAKETIME="@2011-03-14 06:00:00" FAKETIME_NO_CACHE=1 LD_PRELOAD=$faketimeLib
    exec -a door1 "$poller"
) &
pollerPid=$!
sleep 1.5
stopAt=$(date +%s.%N)
kill -TERM "$pollerPid"
wait "$pollerPid" || true
stopped=$(date +%s.%N)
awk -v a="$stopAt" -v b="$stopped" \
    'BEGIN { printf "  stop latency:     %.3f s after SIGTERM at real clock speed, waiting outside the hours\n", b - a }'
