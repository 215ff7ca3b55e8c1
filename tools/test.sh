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
# One test at a time by default: the programs find and end each other by
# image name machine-wide, as on Windows, so suites running side by side can
# disturb each other. A test that fails is run once more and reported.
(cd "$build" && ctest --output-on-failure -j"${OMBRIX_TEST_JOBS:-1}" --repeat until-pass:2 "$@") || status=1
"$here/tools/wincheck.sh" || status=1
exit $status
