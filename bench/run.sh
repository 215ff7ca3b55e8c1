#!/bin/sh
# Builds the programs and the benchmark drivers (Release, in build-bench),
# then runs every comparison and writes bench/results.md. Arguments go to
# bench.py (e.g. --only remove --rounds 3 --no-results).
set -e
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${OMBRIX_BENCH_BUILD:-$root/build-bench}
"$root/tools/deps.sh"
# What only the measurements need.
missing=""
for p in time libx11-dev xvfb libarchive-tools unzip curl; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 -- -k >"$build/bench-build.log" 2>&1 ||
    echo "run.sh: some targets did not build (see $build/bench-build.log); their cases say so"
exec python3 "$here/bench.py" --build "$build" "$@"
