#!/usr/bin/env bash
# Builds the check engine's tests under ThreadSanitizer into build-tsan/ (no desktop
# program, no benchmarks) and runs the ones where threads meet: the engine's worker and
# the UI thread, stops that reach a running fetch, the watch list during checks.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
flags="-fsanitize=thread -g -O1"
cmake -S "$root" -B "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPAGEWARDEN_GUI=OFF -DPAGEWARDEN_BENCH=OFF \
  "-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread" >/dev/null
cmake --build "$root/build-tsan" -j2 --target check_tests watch_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
"$root/build-tsan/tests/check_tests" --gtest_brief=1 \
  --gtest_filter='CheckStopTest.*:RenewTest.*:CheckCycleTest.*'
"$root/build-tsan/tests/watch_tests" --gtest_brief=1 --gtest_filter='DispatcherTest.*'
