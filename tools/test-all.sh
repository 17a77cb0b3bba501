#!/usr/bin/env bash
# The quick start's second command: installs what is missing, then builds
# and runs the whole test suite in the normal and the sanitizer build,
# builds the Debian package (with lintian) and tests it on a Debian 12
# booted under systemd, and runs every fuzz target for a short while.
#
# Usage: tools/test-all.sh [fuzz-seconds-per-target]   (default 5)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
fuzzSeconds=${1:-5}

tools/install-deps.sh
echo "=== house style"
tools/check-format.sh
# In each build the fast in-process tests first, so that a plain fault
# shows within seconds; then everything else (labels e2e and system), so
# that every test runs once.
for preset in default sanitize; do
    echo "=== $preset build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "=== $preset build: unit tests"
    ctest --preset "$preset" -L '^unit$'
    echo "=== $preset build: end-to-end and system tests"
    ctest --preset "$preset" -LE '^unit$'
done
echo "=== Debian package and lintian"
tools/build-deb.sh
echo "=== system test: the package on Debian 12 under systemd"
tools/system-test.sh
if [[ -x fuzz/run.sh ]]; then
    echo "=== fuzz targets, $fuzzSeconds s each"
    fuzz/run.sh "$fuzzSeconds"
fi
echo "=== all tests passed"
