#!/bin/sh
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs the whole test suite there; the programs the tests start inherit the
# sanitizer settings, so a leak or a memory error in any of them fails its
# test. tests/lsan.supp names the only leaks tolerated (Qt's and the system
# libraries' own one-time allocations).
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build=${OMBRIX_ASAN_DIR:-$here/build-asan}
jobs=${OMBRIX_JOBS:-$(nproc)}
"$here/tools/deps.sh"
cmake -S "$here" -B "$build" -DOMBRIX_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$jobs"
export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The programs draw no OpenGL; without the GLX integration the X display
# tests load no graphics driver, whose allocations no suppression can name.
export QT_XCB_GL_INTEGRATION=none
cd "$build" && ctest --output-on-failure -j"${OMBRIX_TEST_JOBS:-2}" "$@"
