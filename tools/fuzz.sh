#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (seconds, default 60) over its committed seeds. New inputs go to a scratch
# corpus in the build folder, crashes to <build>/crashes/<target>-*; a crash
# fails the script.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build=${OMBRIX_FUZZ_DIR:-$here/build-fuzz}
seconds=${1:-60}
jobs=${OMBRIX_JOBS:-$(nproc)}
"$here/tools/deps.sh"
cmake -S "$here/tests/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$jobs" --target fuzz_manifest fuzz_reasons fuzz_identity fuzz_archive
mkdir -p "$build/crashes"
status=0
for target in manifest reasons identity archive; do
    mkdir -p "$build/corpus/$target"
    echo "fuzz: $target for ${seconds}s"
    # The suppressed JSON leak is matched by name, which needs full stacks;
    # they cost speed, so only the JSON readers pay for them.
    unwind=1
    case $target in reasons|identity) unwind=0 ;; esac
    if ! ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=$unwind LSAN_OPTIONS="suppressions=$here/tests/fuzz/lsan.supp:print_suppressions=0" QT_QPA_PLATFORM=offscreen "$build/bin/fuzz_$target" \
        -max_total_time="$seconds" -max_len=65536 -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/crashes/$target-" \
        "$build/corpus/$target" "$here/tests/fuzz/corpus/$target" >"$build/fuzz-$target.log" 2>&1; then
        echo "fuzz: $target FAILED, see $build/fuzz-$target.log"
        tail -n 40 "$build/fuzz-$target.log"
        status=1
    fi
    grep -E "^stat::number_of_executed_units|^#[0-9]+ *DONE" "$build/fuzz-$target.log" || true
done
exit $status
