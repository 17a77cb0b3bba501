#!/usr/bin/env bash
# Runs the end-to-end tests (the programs against the simulated counter and
# each other, on faked clocks) several times, two at a time, while a
# compile runs beside them on the same machine, and counts the failures:
# each one is a test that depends on an idle machine (a flake).
#
# Usage: tools/stress-tests.sh [repetitions] [build-dir]
#   repetitions  runs of the whole selection (default 10)
#   build-dir    a built default build (default build/default)
# The tests are those labelled e2e when the build has the label, else the
# suites below.  The compile is a fresh build of the programs in a scratch
# directory under /tmp, removed at the end.  The output of each run with a
# failure is kept in a directory under /tmp, named at the end.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
repetitions=${1:-10}
build=$(cd "${2:-$here/build/default}" && pwd)
suites='StartUp|Exchange|ClosedDays|Midnight|Records|ReportFiles|Schedule|Stopping|BadAnswers'
suites+='|ClockJumps|Configuration|Directories|FullDisk|LostCounter|Signals|Answers|Clock|Files'
suites+='|Health|Journal|Port|Warnings|ClockSteps|MetricsPoller|StatCheck|StatCsv|StatEntrances'
suites+='|StatTableOutput|StatUsage|StatChart|ViewerProgram|ViewerDaysBack'

selection=(-L e2e)
if ! ctest --test-dir "$build" -N -L e2e | grep -q 'Total Tests: [1-9]'; then
    selection=(-R "^(($suites)\\.|demo$)")
fi
count=$(ctest --test-dir "$build" -N "${selection[@]}" | sed -n 's/^Total Tests: //p')

scratch=$(mktemp -d /tmp/pcstress-XXXXXX)
kept=$(mktemp -d /tmp/pcstress-logs-XXXXXX)
cmake -S "$here" -B "$scratch/build" -G Ninja -DPC_BUILD_TESTS=OFF >/dev/null
# The compile beside: the programs built again and again, two jobs.
setsid bash -c "while :; do cmake --build '$scratch/build' --clean-first -j2 >/dev/null 2>&1 || sleep 1; done" &
compiler=$!
cleanup() {
    kill -- "-$compiler" 2>/dev/null || true
    wait "$compiler" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

flakes=0
for run in $(seq "$repetitions"); do
    log=$scratch/run-$run.log
    ctest --test-dir "$build" "${selection[@]}" -j2 --timeout 300 --output-on-failure >"$log" 2>&1 ||
        cp "$log" "$kept/"
    failed=$(sed -n '/The following tests FAILED:/,$p' "$log" | grep -E '^[[:space:]]+[0-9]+ - ' || true)
    n=$(grep -c . <<<"$failed" || true)
    [[ -z $failed ]] && n=0
    flakes=$((flakes + n))
    echo "stress-tests: run $run of $repetitions: $n of $count failed"
    [[ -n $failed ]] && echo "$failed"
done
echo "stress-tests: $flakes failures in $repetitions runs of $count end-to-end tests"
if [[ $flakes -gt 0 ]]; then
    echo "stress-tests: the output of the runs with failures is in $kept"
else
    rmdir "$kept"
fi
[[ $flakes -eq 0 ]]
