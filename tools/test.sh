#!/bin/sh
# Builds everything and runs the whole test suite, then type-checks the
# Windows back end. Usable on a fresh machine: it installs what it needs.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build=${OMBRIX_BUILD_DIR:-$here/build}
"$here/tools/deps.sh"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
status=0
(cd "$build" && ctest --output-on-failure -j2 "$@") || status=1
"$here/tools/wincheck.sh" || status=1
exit $status
