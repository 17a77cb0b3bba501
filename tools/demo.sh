#!/usr/bin/env bash
# The quick start's first command: installs what is missing, builds, and
# runs one simulated shop day through pcpoll, pcview and pcstat.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target pcpoll-scratch pcview-scratch pcstat-scratch pcsim
exec tools/demo-run.sh build/default
