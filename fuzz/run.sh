#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each of them:
# first once over its committed seed corpus, then fuzzing for a while.
#
#   fuzz/run.sh [seconds-per-target] [target...]
#
# Default: 20 seconds for every target (the CI run); e.g. 120 or more for a
# longer run.  The build goes to build/fuzz; new inputs found while fuzzing
# go to build/fuzz/corpus-work/<target> (kept between runs, so later runs
# build on earlier ones), crash inputs to build/fuzz/artifacts/<target>/,
# the fuzzer's output to build/fuzz/logs/<target>.log.  The committed
# corpus under fuzz/corpus is only read.
#
# Needs cmake and clang++ (clang++-14 is used when there is no clang++) with
# libFuzzer and the sanitizer runtimes (Debian: clang libclang-rt-14-dev);
# Ninja is used when installed.  Set CXX to choose another clang.
#
# Exit status: 0 when no target crashed, 1 when any did (the crash inputs
# are listed), 2 on a usage or build problem.
set -euo pipefail

seconds=${1:-20}
if [[ ! $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [seconds-per-target] [target...]" >&2
    exit 2
fi
shift $(($# > 0 ? 1 : 0))

fuzzDir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$fuzzDir")
build=$root/build/fuzz

# The targets and their dictionaries, as fuzz/targets.txt names them.
allTargets=()
declare -A dictionaryOf=()
while read -r name dictionary _; do
    [[ $name == fuzz_* ]] || continue
    allTargets+=("$name")
    dictionaryOf[$name]=$dictionary
done <"$fuzzDir/targets.txt"
targets=("$@")
if ((${#targets[@]} == 0)); then targets=("${allTargets[@]}"); fi
for target in "${targets[@]}"; do
    if [[ ! -v dictionaryOf[$target] ]]; then
        echo "run.sh: $target is not a target of fuzz/targets.txt" >&2
        exit 2
    fi
done

# The inputs libFuzzer saved in an artifact directory: crashes, leaks,
# timeouts and running out of memory.
countArtifacts() {
    find "$1" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
        -o -name 'oom-*' \) | wc -l
}

# ---- build
if [[ -z ${CXX:-} ]]; then
    if command -v clang++ >/dev/null 2>&1; then
        CXX=clang++
    elif command -v clang++-14 >/dev/null 2>&1; then
        CXX=clang++-14
    else
        echo "run.sh: neither clang++ nor clang++-14 found" >&2
        exit 2
    fi
fi
export CXX
generator=()
if [[ ! -f $build/CMakeCache.txt ]] && command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi
echo "== building the fuzz targets with $CXX into $build"
mkdir -p "$build"
if ! cmake -S "$fuzzDir" -B "$build" "${generator[@]}" >"$build/configure.log" 2>&1; then
    cat "$build/configure.log" >&2
    echo "run.sh: configuring failed" >&2
    exit 2
fi
if ! cmake --build "$build" --target "${targets[@]}"; then
    echo "run.sh: building failed" >&2
    exit 2
fi

# The sanitizers' defaults, leak checking included; stacks for UB reports.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

mkdir -p "$build/logs"
failed=0
summaries=()
crashFiles=()

for target in "${targets[@]}"; do
    binary=$build/$target
    seeds=$fuzzDir/corpus/$target
    work=$build/corpus-work/$target
    artifacts=$build/artifacts/$target/
    log=$build/logs/$target.log
    dict=${dictionaryOf[$target]}
    dictOption=()
    if [[ $dict != - && -f $fuzzDir/dict/$dict ]]; then dictOption=(-dict="$fuzzDir/dict/$dict"); fi
    mkdir -p "$work" "$artifacts"
    crashesBefore=$(countArtifacts "$artifacts")

    # Once over each seed: the committed inputs must pass as they are.
    seedFiles=()
    if [[ -d $seeds ]]; then
        while IFS= read -r -d '' file; do seedFiles+=("$file"); done \
            < <(find "$seeds" -type f -print0 | sort -z)
    fi
    echo "== $target: ${#seedFiles[@]} seed inputs"
    seedStatus=0
    if ((${#seedFiles[@]} > 0)); then
        "$binary" -artifact_prefix="$artifacts" "${seedFiles[@]}" >"$log" 2>&1 || seedStatus=$?
    fi

    # Then fuzz from a scratch copy of the seeds.
    start=${EPOCHREALTIME//[^0-9]/}
    fuzzStatus=0
    if ((seedStatus == 0)); then
        if ((${#seedFiles[@]} > 0)); then cp -f "${seedFiles[@]}" "$work"/; fi
        echo "== $target: fuzzing for $seconds s"
        "$binary" "$work" -max_total_time="$seconds" -max_len=4096 -timeout=25 \
            -print_final_stats=1 -artifact_prefix="$artifacts" "${dictOption[@]}" \
            >>"$log" 2>&1 || fuzzStatus=$?
    fi
    elapsedMs=$(((${EPOCHREALTIME//[^0-9]/} - start) / 1000))

    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    execs=${execs:-0}
    crashes=$(($(countArtifacts "$artifacts") - crashesBefore))
    if ((crashes == 0 && (seedStatus != 0 || fuzzStatus != 0))); then
        crashes=1  # stopped abnormally without leaving an input
    fi
    summary=$(printf 'fuzz %s: %s execs in %d.%d s, %d crashes' "$target" "$execs" \
        $((elapsedMs / 1000)) $((elapsedMs % 1000 / 100)) "$crashes")
    echo "$summary"
    summaries+=("$summary")
    if ((crashes > 0)); then
        failed=1
        echo "---- $target: end of $log"
        tail -n 40 "$log"
        while IFS= read -r line; do
            crashFiles+=("$line")
            echo "crash input: $line"
        done < <(sed -n "s/.*Test unit written to \(.*\)$/\1/p" "$log")
        if ((seedStatus != 0)); then
            # A seed that fails is its own reproducer: the last one started.
            seed=$(sed -n 's/^Running: //p' "$log" | tail -n 1)
            crashFiles+=("$seed")
            echo "failing seed input: $seed"
        fi
    fi
done

echo
echo "== summary ($seconds s per target)"
printf '%s\n' "${summaries[@]}"
if ((failed)); then
    echo "crash inputs (rerun one with: build/fuzz/<target> <file>):"
    if ((${#crashFiles[@]} > 0)); then printf '  %s\n' "${crashFiles[@]}"; fi
    exit 1
fi
